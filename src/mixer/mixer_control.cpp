#include "mixer/mixer_control.h"

#include <QCoreApplication>
#include <QSlider>
#include <algorithm>
#include <new>

#include "services/message_boxes.h"
#include "services/window_messages.h"

MixerControl::MixerControl(Mixer& api, MessageBoxes& boxes) : MixerDevice(api, boxes) {}

int MixerControl::BindMicrophoneVolume(QWidget* window) {
    int bound = 0;
    WalkMicrophoneLines(window, [&](DWORD lineId) { bound = BindLineVolume(window, lineId); });
    return bound;
}

int MixerControl::BindLineVolume(QWidget* window, DWORD lineId) {
    return InitLineControls(window, lineId, MIXERCONTROL_CONTROLTYPE_VOLUME, controls_);
}

int MixerControl::MixAppInitDialogFader(QWidget* window, ControlBinding& bound) {
    minimumValue_ = bound.control->Bounds.dwMinimum;
    maximumValue_ = bound.control->Bounds.dwMaximum;
    const DWORD channels = ChannelsOf(*bound.control);
    const DWORD items = ItemsOf(*bound.control);
    const DWORD bytes = 12 + 4 * channels * items;
    try {
        fader_ = std::make_unique<FaderInstance>();
        fader_->values.assign(std::max<DWORD>(1, channels * items), 0);
    } catch (const std::bad_alloc&) {
        ReportMixerError(window, MB_ICONEXCLAMATION,
                         "!MixAppInitDialogFader: failed trying to alloc %u bytes for control "
                         "instance!",
                         bytes);
        return 0;
    }
    PostedMessage change(MM_MIXM_CONTROL_CHANGE, reinterpret_cast<std::uintptr_t>(bound.mixer),
                         controlId_);
    QCoreApplication::sendEvent(window, &change);
    return 1;
}

MIXERCONTROLDETAILS MixerControl::FaderDetails(DWORD channels) {
    MIXERCONTROLDETAILS details;
    details.dwControlID = controlId_;
    details.cChannels = channels;
    details.cMultipleItems = control_.cMultipleItems;
    details.paDetails = fader_->values.data();
    return details;
}

int MixerControl::ReadFaderValues(QWidget* window, DWORD channels) {
    MIXERCONTROLDETAILS details = FaderDetails(channels);
    const MMRESULT mmr =
        mixerApi_.mixerGetControlDetailsA(mixer_, &details, MIXER_GETCONTROLDETAILSF_VALUE);
    if (mmr == MMSYSERR_NOERROR) return 1;
    ReportMixerError(window, MB_ICONEXCLAMATION,
                     "mixerGetControlDetails(ctrlid=%.08lXh) failed on hmx=%.04Xh, mmr=%u!",
                     static_cast<unsigned long>(controlId_), HandleValue(mixer_), mmr);
    return 0;
}

int MixerControl::SetMicrophoneLevel(QWidget* window, double fraction) {
    if (!fader_) return 0;
    const DWORD channels = ChannelsOf(control_);
    if (!ReadFaderValues(window, channels)) return 0;
    const auto span = static_cast<std::int32_t>(maximumValue_ - minimumValue_);
    // Offset by the minimum, as the read-back subtracts it.
    fader_->values[0] =
        minimumValue_ + static_cast<DWORD>(static_cast<std::int64_t>(fraction * span));
    const MIXERCONTROLDETAILS details = FaderDetails(channels);
    const MMRESULT mmr =
        mixerApi_.mixerSetControlDetails(mixer_, &details, MIXER_SETCONTROLDETAILSF_VALUE);
    if (mmr != MMSYSERR_NOERROR) {
        ReportMixerError(window, MB_ICONEXCLAMATION,
                         "mixerSetControlDetails(ctrlid=%.08lXh) failed on hmx=%.04Xh, mmr=%u!",
                         static_cast<unsigned long>(controlId_), HandleValue(mixer_), mmr);
        return 0;
    }
    return 1;
}

int MixerControl::RefreshMicrophoneSlider(QWidget* window, QSlider& slider) {
    if (!fader_) return 0;
    if (!ReadFaderValues(window, ChannelsOf(control_))) return 0;
    if (!ReadFaderValues(window, 1)) return 0;
    const auto span = static_cast<std::int32_t>(maximumValue_ - minimumValue_);
    const DWORD offset = fader_->values[0] - minimumValue_;
    // A control without range has one position.
    const double position = span == 0 ? 0.0 : static_cast<double>(offset) / span * 200;
    // The slider keeps its own range; clamping first keeps the conversion defined.
    slider.setValue(static_cast<int>(std::clamp(position, -1.0, 201.0)));
    return 1;
}
