#include "controls/level_meter.h"

#include <QPainter>
#include <algorithm>

namespace {

QColor ColourOf(LevelMeter::Zone zone) {
    switch (zone) {
        case LevelMeter::Zone::Clipping:
            return QColor(220, 30, 30);
        case LevelMeter::Zone::Loud:
            return QColor(240, 170, 0);
        default:
            return QColor(40, 180, 60);
    }
}

// The share of the meter's width that a level fills.
double FractionOf(double decibels) {
    return std::clamp((decibels - LevelMeter::kFloorDecibels) / -LevelMeter::kFloorDecibels, 0.0,
                      1.0);
}

}  // namespace

LevelMeter::LevelMeter(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

LevelMeter::Zone LevelMeter::ZoneOf(double decibels) {
    if (decibels <= kFloorDecibels) return Zone::None;
    if (decibels >= kClippingDecibels) return Zone::Clipping;
    return decibels > kLoudDecibels ? Zone::Loud : Zone::Safe;
}

void LevelMeter::ShowPeak(double decibels, Clock::time_point now) {
    active_ = true;
    peak_ = std::max(decibels, kFloorDecibels);
    if (peak_ >= held_ || now - heldSince_ >= kHold) {
        held_ = peak_;
        heldSince_ = now;
    }
    update();
}

void LevelMeter::Clear() {
    active_ = false;
    peak_ = held_ = kFloorDecibels;
    update();
}

void LevelMeter::paintEvent(QPaintEvent*) {
    if (!active_) return;
    QPainter painter(this);
    const QRect area = rect().adjusted(0, 0, -1, -1);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(area);
    const QRect inside = area.adjusted(1, 1, 0, 0);
    const int bar = static_cast<int>(FractionOf(peak_) * inside.width());
    painter.fillRect(QRect(inside.topLeft(), QSize(bar, inside.height())), ColourOf(barZone()));
    if (holdZone() != Zone::None) {
        const int mark = inside.left() + static_cast<int>(FractionOf(held_) * (inside.width() - 2));
        painter.fillRect(QRect(mark, inside.top(), 2, inside.height()), ColourOf(holdZone()));
    }
}
