#include <QLabel>
#include <algorithm>

#include "controls/level_meter.h"
#include "core/main_controls.h"
#include "recording/recording_controller.h"
#include "services/window_messages.h"
#include "services/window_timers.h"

namespace {

// The longest status text of a recording; the meter takes the line's room after it.
constexpr char kLongestRecordingStatus[] = "Status : Recording - Used Time: 00:00:00";
constexpr int kGap = 12;
constexpr int kInset = 2;
constexpr int kLeastWidth = 30;

}  // namespace

void RecordingController::ShowLevelMeter() {
    QLabel& status = controls_.status();
    if (!meter_) meter_ = new LevelMeter(&status);
    const QRect inside = status.contentsRect();
    const int textEnd = inside.left() + status.margin() +
                        status.fontMetrics().horizontalAdvance(kLongestRecordingStatus);
    const int right = inside.right() - kInset;
    const int left = std::min(textEnd + kGap, right - kLeastWidth);
    meter_->setGeometry(left, inside.top() + kInset, right - left,
                        std::max(inside.height() - 2 * kInset, 2));
    meter_->Clear();
    meter_->show();
    timers_.SetTimer(ID_LEVEL_METER_TIMER, LEVEL_METER_TIMER_PERIOD_MS);
}

void RecordingController::HideLevelMeter() {
    timers_.KillTimer(ID_LEVEL_METER_TIMER);
    if (!meter_) return;
    meter_->Clear();
    meter_->hide();
}

void RecordingController::OnLevelMeterTimer() {
    double decibels = 0;
    if (!meter_ || !recorder_.control || FAILED(recorder_.control->GetPeakLevel(&decibels))) return;
    meter_->ShowPeak(decibels, LevelMeter::Clock::now());
}
