#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <memory>

// Draws the frames a graph hands it, scaled to fill the widget. Mouse and key input goes
// on to the drain widget when one is set, as if it had happened there.
class VideoRendererWidget : public QWidget {
  public:
    explicit VideoRendererWidget(QWidget* parent = nullptr);

    // frame may point into memory that keeper holds; both are kept until the next frame.
    void ShowFrame(const QImage& frame, std::shared_ptr<const void> keeper);
    void SetDrain(QWidget* drain) { drain_ = drain; }
    const QImage& frame() const { return frame_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

  private:
    QImage frame_;
    std::shared_ptr<const void> keeper_;
    QPointer<QWidget> drain_;
};
