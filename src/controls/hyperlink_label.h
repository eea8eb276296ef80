#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <memory>

class WindowTimers;
struct Platform;

// A text that acts as a web link: link, visited and hover colours, an underline, the
// pointing hand, a tooltip with the target, and a click that opens the target, falling
// back to the desktop's web browser when the opener refuses.
class HyperLinkLabel : public QLabel {
    Q_OBJECT
  public:
    enum UnderlineMode { UnderlineOnHover = -1, UnderlineNever = 0, UnderlineAlways = 1 };

    static constexpr QColor kLinkColour{0, 0, 238};
    static constexpr QColor kVisitedColour{85, 26, 139};
    static constexpr QColor kHoverColour{255, 0, 0};
    // The same three on a dark window.
    static constexpr QColor kDarkLinkColour{138, 180, 248};
    static constexpr QColor kDarkVisitedColour{197, 138, 249};
    static constexpr QColor kDarkHoverColour{255, 120, 120};

    // An empty text shows the target; an empty target opens the text.
    HyperLinkLabel(const QString& text, Platform& platform, QWidget* parent = nullptr);
    ~HyperLinkLabel() override;

    void SetLinkTarget(const QString& target);
    // Sizes the label to its text; the label's rectangle must be in place.
    void FitToText();
    void SetUnderlineMode(int mode);
    // Opens the target as a click does and reports a failure to the user.
    void Click();

    const QString& linkTarget() const { return linkTarget_; }
    int underlineMode() const { return underlineMode_; }
    bool hovering() const { return hovering_; }
    bool visited() const { return visited_; }
    QColor TextColour() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    void OnHoverTimer();
    int OpenTarget();

    Platform& platform_;
    std::unique_ptr<WindowTimers> timers_;
    bool hovering_ = false;
    bool visited_ = false;
    bool secondClick_ = false;
    int underlineMode_ = UnderlineOnHover;
    bool fitToText_ = true;
    QString linkTarget_;
    QFont normalFont_;
    QFont underlinedFont_;
};

// The browser command cut before its placeholder for the target: the first quoted
// placeholder ("%u", "%U", "%f", "%F", "%1"), else the first bare one, else the whole line.
QString CutAtPlaceholder(const QString& command);

// The reason shown for a failed open, by the opener's code.
QString OpenFailureReason(int code);
