#include "controls/release_slider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

ReleaseSlider::ReleaseSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

void ReleaseSlider::mousePressEvent(QMouseEvent* event) {
    // Taken here, so that a right click on a slider never counts as one on the window.
    event->accept();
    if (event->button() != Qt::LeftButton || event->buttons() != Qt::LeftButton) return;
    mouseHeld_ = true;
    MoveThumbTo(event->position().toPoint());
    QSlider::mousePressEvent(event);
}

void ReleaseSlider::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton || !mouseHeld_) return;
    QSlider::mouseReleaseEvent(event);
    mouseHeld_ = false;
    emit released();
}

// Puts the thumb's centre under the point, unless the point is on the thumb already; the
// press that follows then finds the thumb there and drags it.
void ReleaseSlider::MoveThumbTo(QPoint point) {
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect thumb =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    if (thumb.contains(point)) return;
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const int span = groove.width() - thumb.width();
    const int offset = point.x() - groove.x() - thumb.width() / 2;
    setSliderPosition(
        QStyle::sliderValueFromPosition(minimum(), maximum(), offset, span, option.upsideDown));
}
