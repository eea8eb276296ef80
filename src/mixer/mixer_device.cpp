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

MixerDevice::MixerDevice(Mixer& api, MessageBoxes& boxes) : mixerApi(api), messages(boxes) {}

MixerDevice::~MixerDevice() = default;

void MixerDevice::ReportMixerError(QWidget* owner, unsigned boxType, const char* format, ...) {
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    messages.Show(owner, QString::fromLocal8Bit(text), "Tarvelo", boxType);
}

HMIXER MixerDevice::OpenMixer(QWidget* callbackWindow, HMIXER previous, UINT index) {
    MIXERCAPSA caps;
    MMRESULT mmr = mixerApi.mixerGetDevCapsA(index, &caps);
    if (mmr != MMSYSERR_NOERROR) {
        ReportMixerError(nullptr, MB_ICONEXCLAMATION,
                         "mixerGetDevCaps() failed on uMxId=%u, mmr=%u!", index, mmr);
        return previous;
    }
    HMIXER opened = nullptr;
    mmr = mixerApi.mixerOpen(&opened, index, callbackWindow, CALLBACK_WINDOW);
    if (mmr != MMSYSERR_NOERROR) {
        ReportMixerError(nullptr, MB_ICONEXCLAMATION, "mixerOpen() failed on uMxId=%u, mmr=%u!",
                         index, mmr);
        return previous;
    }
    if (previous) {
        mmr = mixerApi.mixerClose(previous);
        if (mmr != MMSYSERR_NOERROR)
            ReportMixerError(callbackWindow, MB_ICONEXCLAMATION,
                             "mixerClose() failed on hmx=%.04Xh, mmr=%u!", HandleValue(previous),
                             mmr);
    }
    mixer = opened;
    deviceIndex = index;
    return opened;
}

int MixerDevice::CloseMixer(QWidget* owner) {
    if (!mixer) return 0;
    const MMRESULT mmr = mixerApi.mixerClose(mixer);
    if (mmr != MMSYSERR_NOERROR)
        ReportMixerError(owner, MB_ICONEXCLAMATION, "mixerClose() failed on hmx=%.04Xh, mmr=%u!",
                         HandleValue(mixer), mmr);
    mixer = nullptr;
    return 0;
}

void MixerDevice::WalkMicrophoneLines(QWidget* owner,
                                      const std::function<void(DWORD lineId)>& handleLine) {
    MIXERCAPSA caps;
    MMRESULT mmr = mixerApi.mixerGetDevCapsA(mixer, &caps);
    if (mmr != MMSYSERR_NOERROR) {
        ReportMixerError(owner, MB_ICONEXCLAMATION,
                         "mixerGetDevCaps() failed on hmx=%.04Xh, mmr=%u!", HandleValue(mixer),
                         mmr);
        caps.cDestinations = 0;
    }
    for (DWORD d = 0; d < caps.cDestinations; ++d) {
        destination = MIXERLINEA();
        destination.dwDestination = d;
        mmr = mixerApi.mixerGetLineInfoA(mixer, &destination, MIXER_GETLINEINFOF_DESTINATION);
        if (mmr != MMSYSERR_NOERROR) {
            ReportMixerError(owner, MB_ICONEXCLAMATION,
                             "mixerGetLineInfo(dst=%u) failed on hmx=%.04Xh, mmr=%u!", d,
                             HandleValue(mixer), mmr);
            continue;
        }
        if (destination.dwComponentType != MIXERLINE_COMPONENTTYPE_DST_SPEAKERS &&
            destination.dwComponentType != MIXERLINE_COMPONENTTYPE_DST_WAVEIN)
            continue;
        const DWORD connections = destination.cConnections;
        for (DWORD s = 0; s < connections; ++s) {
            MIXERLINEA source;
            source.dwDestination = d;
            source.dwSource = s;
            mmr = mixerApi.mixerGetLineInfoA(mixer, &source, MIXER_GETLINEINFOF_SOURCE);
            if (mmr != MMSYSERR_NOERROR) {
                ReportMixerError(owner, MB_ICONEXCLAMATION,
                                 "mixerGetLineInfo(src=%u) failed on hmx=%.04Xh, mmr=%u!", s,
                                 HandleValue(mixer), mmr);
                continue;
            }
            if (source.dwComponentType == MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE)
                handleLine(source.dwLineID);
        }
    }
}

int MixerDevice::InitLineControls(QWidget* owner, DWORD lineId, DWORD wantedType,
                                  std::vector<MIXERCONTROLA>& controls) {
    line = MIXERLINEA();
    line.dwLineID = lineId;
    MMRESULT mmr = mixerApi.mixerGetLineInfoA(mixer, &line, MIXER_GETLINEINFOF_LINEID);
    if (mmr != MMSYSERR_NOERROR) {
        ReportMixerError(owner, MB_ICONEXCLAMATION,
                         "mixerGetLineInfo(lineid=%.08lXh) failed on hmx=%.04Xh, mmr=%u!",
                         static_cast<unsigned long>(lineId), HandleValue(mixer), mmr);
        return 0;
    }
    if (line.cControls == 0) {
        ReportMixerError(owner, MB_ICONEXCLAMATION,
                         "There are no controls associated with the selected line.");
        return 0;
    }
    try {
        controls.assign(line.cControls, MIXERCONTROLA());
    } catch (const std::bad_alloc&) {
        return 0;
    }
    MIXERLINECONTROLSA request;
    request.dwLineID = lineId;
    request.cControls = line.cControls;
    request.pamxctrl = controls.data();
    mmr = mixerApi.mixerGetLineControlsA(mixer, &request, MIXER_GETLINECONTROLSF_ALL);
    if (mmr != MMSYSERR_NOERROR) {
        ReportMixerError(owner, MB_ICONEXCLAMATION,
                         "mixerGetLineControls(ctrlid=%.08lXh) failed on hmx=%.04Xh, mmr=%u!",
                         static_cast<unsigned long>(lineId), HandleValue(mixer), mmr);
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
    request.pamxctrl = &control;
    const MMRESULT mmr =
        mixerApi.mixerGetLineControlsA(mixer, &request, MIXER_GETLINECONTROLSF_ONEBYID);
    if (mmr != MMSYSERR_NOERROR) {
        ReportMixerError(owner, MB_ICONEXCLAMATION,
                         "mixerGetLineControls(ctrlid=%.08lXh) failed on hmx=%.04Xh, mmr=%u!",
                         static_cast<unsigned long>(id), HandleValue(mixer), mmr);
        return 0;
    }
    if (control.fdwControl & MIXERCONTROL_CONTROLF_DISABLED) {
        ReportMixerError(owner, MB_ICONEXCLAMATION, "This control (ctrlid=%.08lXh) is disabled.",
                         static_cast<unsigned long>(id));
        return 0;
    }
    binding = {mixer, &line, &control};
    controlId = id;
    busy = 1;
    int initialised = 0;
    switch (control.dwControlType & MIXERCONTROL_CT_CLASS_MASK) {
        case MIXERCONTROL_CT_CLASS_SWITCH:
            initialised = Within(control.dwControlType, MIXERCONTROL_CONTROLTYPE_BOOLEAN,
                                 MIXERCONTROL_CONTROLTYPE_BUTTON) &&
                          MixAppInitDialogSwitch(owner, binding);
            break;
        case MIXERCONTROL_CT_CLASS_FADER:
            initialised = Within(control.dwControlType, MIXERCONTROL_CONTROLTYPE_FADER,
                                 MIXERCONTROL_CONTROLTYPE_EQUALIZER) &&
                          MixAppInitDialogFader(owner, binding);
            break;
        default:
            break;
    }
    busy = 0;
    if (!initialised) {
        ReportMixerError(owner, MB_ICONEXCLAMATION,
                         "Do not know how to deal with control type=%.08lXh!",
                         static_cast<unsigned long>(control.dwControlType));
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
    return (ofControl.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : line.cChannels;
}

DWORD MixerDevice::ItemsOf(const MIXERCONTROLA& ofControl) {
    return (ofControl.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) ? ofControl.cMultipleItems : 1;
}
