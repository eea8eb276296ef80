#include "mixer/mixer_probe.h"

#include <algorithm>
#include <new>

#include "services/message_boxes.h"

MixerProbe::MixerProbe(Mixer& api, MessageBoxes& boxes, DWORD switchValue, MuteMemory& memory)
    : MixerDevice(api, boxes), value_(switchValue), recordingMuteBefore_(memory) {}

int MixerProbe::ProbeMicrophoneLines(QWidget* owner) {
    int found = 0;
    WalkMicrophoneLines(owner, [&](DWORD lineId) {
        ApplyMuteControls(owner, lineId);
        found = 1;
    });
    return found;
}

int MixerProbe::ApplyMuteControls(QWidget* owner, DWORD lineId) {
    std::vector<MIXERCONTROLA> controls;
    return InitLineControls(owner, lineId, MIXERCONTROL_CONTROLTYPE_MUTE, controls);
}

int MixerProbe::MixAppInitDialogSwitch(QWidget* owner, ControlBinding& bound) {
    const DWORD channels = ChannelsOf(*bound.control);
    const DWORD items = ItemsOf(*bound.control);
    const DWORD bytes = 4 + 4 * channels * items;
    try {
        switchInstance_ = std::make_unique<SwitchInstance>();
        switchInstance_->values.assign(std::max<DWORD>(1, channels * items), 0);
    } catch (const std::bad_alloc&) {
        ReportMixerError(owner, MB_ICONEXCLAMATION,
                         "!MixAppInitDialogSwitch: failed trying to alloc %u bytes for control "
                         "instance!",
                         bytes);
        return 0;
    }
    MIXERCONTROLDETAILS details;
    details.dwControlID = controlId_;
    details.cChannels = channels;
    details.cMultipleItems = bound.control->cMultipleItems;
    details.paDetails = switchInstance_->values.data();
    MMRESULT mmr =
        mixerApi_.mixerGetControlDetailsA(bound.mixer, &details, MIXER_GETCONTROLDETAILSF_VALUE);
    if (mmr != MMSYSERR_NOERROR) {
        ReportMixerError(owner, MB_ICONEXCLAMATION,
                         "mixerGetControlDetails(ctrlid=%.08lXh) failed on hmx=%.04Xh, mmr=%u!",
                         static_cast<unsigned long>(controlId_), HandleValue(bound.mixer), mmr);
        return 0;
    }
    const std::optional<DWORD> newValue = SwitchValueFor(switchInstance_->values[0]);
    if (!newValue) return 1;
    switchInstance_->values[0] = *newValue;
    mmr = mixerApi_.mixerSetControlDetails(bound.mixer, &details, MIXER_SETCONTROLDETAILSF_VALUE);
    if (mmr != MMSYSERR_NOERROR) {
        ReportMixerError(owner, MB_ICONEXCLAMATION,
                         "mixerSetControlDetails(ctrlid=%.08lXh) failed on hmx=%.04Xh, mmr=%u!",
                         static_cast<unsigned long>(controlId_), HandleValue(bound.mixer), mmr);
        return 0;
    }
    return 1;
}

std::optional<DWORD> MixerProbe::SwitchValueFor(DWORD current) {
    if (destination_.dwComponentType != MIXERLINE_COMPONENTTYPE_DST_WAVEIN)
        return playthroughOff_ ? 1 : value_;
    if (playthroughOnly_) return std::nullopt;
    const std::pair<UINT, DWORD> key{deviceIndex_, controlId_};
    if (value_ == 0) {
        recordingMuteBefore_.emplace(key, current);
        return value_;
    }
    // A microphone this run never unmuted is left as the user has it.
    const auto before = recordingMuteBefore_.find(key);
    if (before == recordingMuteBefore_.end()) return std::nullopt;
    return before->second;
}
