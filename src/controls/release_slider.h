#pragma once

#include <QSlider>

// A slider that reports a new position only when the left mouse button lets go of it.
// A press on the groove moves the thumb under the pointer and starts a drag there; the
// other buttons neither move the slider nor reach the window beneath it. Dragging and
// the keyboard move the thumb but report nothing.
class ReleaseSlider : public QSlider {
    Q_OBJECT
  public:
    explicit ReleaseSlider(QWidget* parent = nullptr);

  signals:
    void released();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void MoveThumbTo(QPoint point);

    bool mouseHeld_ = false;
};
