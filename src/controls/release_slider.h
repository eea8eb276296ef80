#pragma once

#include <QSlider>

// A slider that reports a new position only when the mouse lets go of it. Dragging and
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
    bool mouseHeld_ = false;
};
