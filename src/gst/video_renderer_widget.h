#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "gst/video_picture.h"

// Draws the frames a graph hands it, scaled to fill the widget. Mouse and key input goes
// on to the drain widget when one is set, as if it had happened there.
class VideoRendererWidget : public QWidget {
  public:
    explicit VideoRendererWidget(QWidget* parent = nullptr);

    // Kept until the next frame.
    void ShowFrame(std::shared_ptr<const VideoPicture> picture);
    void SetDrain(QWidget* drain) { drain_ = drain; }
    // The frame shown, as an image; null before the first.
    QImage frame() const { return picture_ ? picture_->ToImage() : QImage(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

  private:
    bool DrawStraight(QPainter& painter);

    std::shared_ptr<const VideoPicture> picture_;
    VideoFrameConverter converter_;
    // The frame converted, for painting it scaled or where it cannot be converted in place.
    QImage converted_;
    QPointer<QWidget> drain_;
};
