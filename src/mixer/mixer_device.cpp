#include "mixer/mixer_device.h"

#include <QWidget>
#include <cstdarg>
#include <cstdio>
#include <new>

#include "services/message_boxes.h"

namespace {

// The control types each initialiser knows.
bool Within(DWORD type, DWORD first, DWORD last) {
    return type >= first && type <= last;
}

}  // namespace

MixerDevice::MixerDevice(Mixer& api, MessageBoxes& boxes) : mixerApi_(api), messages_(boxes) {}

MixerDevice::~MixerDevice() = default;

void MixerDevice::ReportMixerError(QWidget* owner, unsigned boxType, const char* format, ...) {
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    messages_.Show(owner, QString::fromLocal8Bit(text), "Tarvelo", boxType);
}

HMIXER MixerDevice::OpenMixer(QWidget* callbackWindow, HMIXER previous, UINT index) {
    MIXERCAPSA caps;
    MMRESULT mmr = mixerApi_.mixerGetDevCapsA(index, &caps);
    if (mmr != MMSYSERR_NOERROR) {
        ReportMixerError(nullptr, MB_ICONEXCLAMATION,
                         "mixerGetDevCaps() failed on uMxId=%u, mmr=%u!", index, mmr);
        return previous;
    }
    HMIXER opened = nullptr;
    mmr = mixerApi_.mixerOpen(&opened, index, callbackWindow, CALLBACK_WINDOW);
    if (mmr != MMSYSERR_NOERROR) {
        ReportMixerError(nullptr, MB_ICONEXCLAMATION, "mixerOpen() failed on uMxId=%u, mmr=%u!",
                         index, mmr);
        return previous;
    }
    if (previous) {
        mmr = mixerApi_.mixerClose(previous);
        if (mmr != MMSYSERR_NOERROR)
            ReportMixerError(callbackWindow, MB_ICONEXCLAMATION,
                             "mixerClose() failed on hmx=%.04Xh, mmr=%u!", HandleValue(previous),
                             mmr);
    }
    mixer_ = opened;
    deviceIndex_ = index;
    return opened;
}

int MixerDevice::CloseMixer(QWidget* owner) {
    if (!mixer_) return 0;
    const MMRESULT mmr = mixerApi_.mixerClose(mixer_);
    if (mmr != MMSYSERR_NOERROR)
        ReportMixerError(owner, MB_ICONEXCLAMATION, "mixerClose() failed on hmx=%.04Xh, mmr=%u!",
                         HandleValue(mixer_), mmr);
    mixer_ = nullptr;
    return 0;
}

void MixerDevice::WalkMicrophoneLines(QWidget* owner,
                                      const std::function<void(DWORD lineId)>& handleLine) {
    MIXERCAPSA caps;
    MMRESULT mmr = mixerApi_.mixerGetDevCapsA(mixer_, &caps);
    if (mmr != MMSYSERR_NOERROR) {
        ReportMixerError(owner, MB_ICONEXCLAMATION,
                         "mixerGetDevCaps() failed on hmx=%.04Xh, mmr=%u!", HandleValue(mixer_),
                         mmr);
        caps.cDestinations = 0;
    }
    for (DWORD d = 0; d < caps.cDestinations; ++d) {
        destination_ = MIXERLINEA();
        destination_.dwDestination = d;
        mmr = mixerApi_.mixerGetLineInfoA(mixer_, &destination_, MIXER_GETLINEINFOF_DESTINATION);
        if (mmr != MMSYSERR_NOERROR) {
            ReportMixerError(owner, MB_ICONEXCLAMATION,
                             "mixerGetLineInfo(dst=%u) failed on hmx=%.04Xh, mmr=%u!", d,
                             HandleValue(mixer_), mmr);
            continue;
        }
        if (destination_.dwComponentType != MIXERLINE_COMPONENTTYPE_DST_SPEAKERS &&
            destination_.dwComponentType != MIXERLINE_COMPONENTTYPE_DST_WAVEIN)
            continue;
        const DWORD connections = destination_.cConnections;
        for (DWORD s = 0; s < connections; ++s) {
            MIXERLINEA source;
            source.dwDestination = d;
            source.dwSource = s;
            mmr = mixerApi_.mixerGetLineInfoA(mixer_, &source, MIXER_GETLINEINFOF_SOURCE);
            if (mmr != MMSYSERR_NOERROR) {
                ReportMixerError(owner, MB_ICONEXCLAMATION,
                                 "mixerGetLineInfo(src=%u) failed on hmx=%.04Xh, mmr=%u!", s,
                                 HandleValue(mixer_), mmr);
                continue;
            }
            if (source.dwComponentType == MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE)
                handleLine(source.dwLineID);
        }
    }
}

int MixerDevice::InitLineControls(QWidget* owner, DWORD lineId, DWORD wantedType,
                                  std::vector<MIXERCONTROLA>& controls) {
    line_ = MIXERLINEA();
    line_.dwLineID = lineId;
    MMRESULT mmr = mixerApi_.mixerGetLineInfoA(mixer_, &line_, MIXER_GETLINEINFOF_LINEID);
    if (mmr != MMSYSERR_NOERROR) {
        ReportMixerError(owner, MB_ICONEXCLAMATION,
                         "mixerGetLineInfo(lineid=%.08lXh) failed on hmx=%.04Xh, mmr=%u!",
                         static_cast<unsigned long>(lineId), HandleValue(mixer_), mmr);
        return 0;
    }
    if (line_.cControls == 0) {
        ReportMixerError(owner, MB_ICONEXCLAMATION,
                         "There are no controls associated with the selected line.");
        return 0;
    }
    try {
        controls.assign(line_.cControls, MIXERCONTROLA());
    } catch (const std::bad_alloc&) {
        return 0;
    }
    MIXERLINECONTROLSA request;
    request.dwLineID = lineId;
    request.cControls = line_.cControls;
    request.pamxctrl = controls.data();
    mmr = mixerApi_.mixerGetLineControlsA(mixer_, &request, MIXER_GETLINECONTROLSF_ALL);
    if (mmr != MMSYSERR_NOERROR) {
        ReportMixerError(owner, MB_ICONEXCLAMATION,
                         "mixerGetLineControls(ctrlid=%.08lXh) failed on hmx=%.04Xh, mmr=%u!",
                         static_cast<unsigned long>(lineId), HandleValue(mixer_), mmr);
        return 0;
    }
    int result = 0;
    for (const MIXERCONTROLA& candidate : controls)
        if (candidate.dwControlType == wantedType)
            result = InitControlByClass(owner, candidate.dwControlID);
    return result;
}

int MixerDevice::InitControlByClass(QWidget* owner, DWORD id) {
    MIXERLINECONTROLSA request;
    request.dwControlID = id;
    request.cControls = 1;
    request.pamxctrl = &control_;
    const MMRESULT mmr =
        mixerApi_.mixerGetLineControlsA(mixer_, &request, MIXER_GETLINECONTROLSF_ONEBYID);
    if (mmr != MMSYSERR_NOERROR) {
        ReportMixerError(owner, MB_ICONEXCLAMATION,
                         "mixerGetLineControls(ctrlid=%.08lXh) failed on hmx=%.04Xh, mmr=%u!",
                         static_cast<unsigned long>(id), HandleValue(mixer_), mmr);
        return 0;
    }
    if (control_.fdwControl & MIXERCONTROL_CONTROLF_DISABLED) {
        ReportMixerError(owner, MB_ICONEXCLAMATION, "This control (ctrlid=%.08lXh) is disabled.",
                         static_cast<unsigned long>(id));
        return 0;
    }
    binding_ = {mixer_, &line_, &control_};
    controlId_ = id;
    int initialised = 0;
    switch (control_.dwControlType & MIXERCONTROL_CT_CLASS_MASK) {
        case MIXERCONTROL_CT_CLASS_SWITCH:
            initialised = Within(control_.dwControlType, MIXERCONTROL_CONTROLTYPE_BOOLEAN,
                                 MIXERCONTROL_CONTROLTYPE_BUTTON) &&
                          MixAppInitDialogSwitch(owner, binding_);
            break;
        case MIXERCONTROL_CT_CLASS_FADER:
            initialised = Within(control_.dwControlType, MIXERCONTROL_CONTROLTYPE_FADER,
                                 MIXERCONTROL_CONTROLTYPE_EQUALIZER) &&
                          MixAppInitDialogFader(owner, binding_);
            break;
        default:
            break;
    }
    if (!initialised) {
        ReportMixerError(owner, MB_ICONEXCLAMATION,
                         "Do not know how to deal with control type=%.08lXh!",
                         static_cast<unsigned long>(control_.dwControlType));
        return 0;
    }
    return 1;
}

int MixerDevice::MixAppInitDialogSwitch(QWidget*, ControlBinding&) {
    return 0;
}

int MixerDevice::MixAppInitDialogFader(QWidget*, ControlBinding&) {
    return 0;
}

DWORD MixerDevice::ChannelsOf(const MIXERCONTROLA& ofControl) const {
    return (ofControl.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : line_.cChannels;
}

DWORD MixerDevice::ItemsOf(const MIXERCONTROLA& ofControl) {
    return (ofControl.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) ? ofControl.cMultipleItems : 1;
}
