#include "controls/release_slider.h"

#include <QMouseEvent>

ReleaseSlider::ReleaseSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    // A click on the groove moves the thumb there, as a click on a trackbar channel does
    // not page but the user expects it to.
    setPageStep(1);
}

void ReleaseSlider::mousePressEvent(QMouseEvent* event) {
    mouseHeld_ = true;
    QSlider::mousePressEvent(event);
}

void ReleaseSlider::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    if (!mouseHeld_) return;
    mouseHeld_ = false;
    emit released();
}
