#pragma once

#include <QColor>
#include <QIcon>
#include <QPushButton>
#include <QSize>

// The main window's push button: paints itself over its parent's background with a
// 32x32 icon and a centred, word-wrapped caption. In its flat form it shows a thin raised
// frame only while the pointer hovers and a thin sunken frame while it is pressed; the
// other form has the full 3-D border and a focus rectangle.
class FlatButton : public QPushButton {
    Q_OBJECT
  public:
    // Where the icon goes: left of the caption or above it.
    enum ImageLayout { ImageLeft = 0, ImageAbove = 1, kLayoutCount = 4 };

    explicit FlatButton(const QString& text, QWidget* parent = nullptr);

    // The button lies on the window's fixed light background, so it keeps the classic
    // light colours whatever the desktop's palette: a dark palette would make its caption
    // and frames vanish.
    static constexpr QColor kText{0, 0, 0};
    static constexpr QColor kHighlight{255, 255, 255};
    static constexpr QColor kLight{227, 227, 227};
    static constexpr QColor kShadow{160, 160, 160};
    static constexpr QColor kDarkShadow{105, 105, 105};
    // The light face that a disabled icon is greyed towards.
    static constexpr QColor kFace{240, 240, 240};

    // Answers 1 when the icon resource has no image, else 0. Only a single icon is
    // supported, so the second id must be 0.
    int SetButtonIcon(int iconId, int secondIconId = 0);
    int SetFlatLook(bool flat, bool repaint = true);
    void SetParentBackground(bool repaint = true);
    // Id 0 removes the cursor. Answers 1 when the cursor resource has no image, else 0.
    int SetHoverCursor(int cursorId, bool repaint = true);
    void SetTipText(const QString& text, bool activate = true);
    // Layouts above the last one are refused: the answer is then kLayoutCount.
    int SetImageLayout(int layout, bool repaint = true);

    bool flat() const { return flat_; }
    bool hovering() const { return hovering_; }
    int imageLayout() const { return imageLayout_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

    virtual void PaintBackground(QPainter& painter, const QRect& item);
    virtual void PaintBorder(QPainter& painter, const QRect& item);
    virtual void PaintIcon(QPainter& painter, bool hasText, const QRect& item, QRect& caption,
                           bool pressed, bool disabled);
    virtual void PaintCaption(QPainter& painter, const QString& text, const QRect& item,
                              QRect& caption, bool pressed, bool disabled);

  private:
    QPixmap IconPixmap(qreal pixelRatio, bool disabled) const;
    void EndHover();
    void MoveFocusOnward();
    void Repaint(bool repaint);

    static constexpr int kImageMarginX = 3;
    static constexpr int kImageMarginY = 3;
    static constexpr int kPressOffsetX = 1;
    static constexpr int kPressOffsetY = 1;
    // Flat buttons show the hover and press frames, and no focus rectangle.
    static constexpr bool kDrawBorder = true;
    static constexpr bool kFocusWhenFlat = false;

    bool flat_ = true;
    bool hovering_ = false;
    bool parentBackground_ = false;
    int imageLayout_ = ImageLeft;
    QIcon icon_;
    QSize iconSize_;
};
