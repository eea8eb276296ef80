#include "fakes/fake_mixer.h"

#include <QStringList>
#include <algorithm>

#include "services/window_messages.h"

namespace {

DWORD DestinationLineId(std::size_t destination) {
    return 0xFFFF0000u | static_cast<DWORD>(destination);
}

DWORD SourceLineId(std::size_t destination, std::size_t source) {
    return static_cast<DWORD>((source + 1) << 16) | static_cast<DWORD>(destination);
}

DWORD ChannelsOf(const FakeMixerLine& line, const MIXERCONTROLA& control) {
    return (control.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : line.line.cChannels;
}

DWORD ItemsOf(const MIXERCONTROLA& control) {
    return (control.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) ? control.cMultipleItems : 1;
}

}  // namespace

MMRESULT FakeMixer::Fails(const QString& call) const {
    const auto found = failing.find(call);
    return found == failing.end() ? MMSYSERR_NOERROR : found->second;
}

UINT FakeMixer::mixerGetNumDevs() {
    return static_cast<UINT>(devices.size());
}

MMRESULT FakeMixer::mixerGetDevCapsA(UINT uMxId, MIXERCAPSA* caps) {
    if (MMRESULT failure = Fails("getDevCaps(index)")) return failure;
    if (uMxId >= devices.size()) return MMSYSERR_BADDEVICEID;
    *caps = {devices[uMxId].name, 0, static_cast<DWORD>(devices[uMxId].destinations.size())};
    return MMSYSERR_NOERROR;
}

MMRESULT FakeMixer::mixerGetDevCapsA(HMIXER hmx, MIXERCAPSA* caps) {
    if (MMRESULT failure = Fails("getDevCaps(handle)")) return failure;
    FakeMixerDevice* device = DeviceOf(hmx);
    if (!device) return MMSYSERR_INVALHANDLE;
    *caps = {device->name, 0, static_cast<DWORD>(device->destinations.size())};
    return MMSYSERR_NOERROR;
}

MMRESULT FakeMixer::mixerOpen(HMIXER* phmx, UINT uMxId, QObject* dwCallback, DWORD fdwOpen) {
    if (MMRESULT failure = Fails("open")) return failure;
    if (uMxId >= devices.size()) return MMSYSERR_BADDEVICEID;
    const HMIXER handle = HandleOf(nextHandle++);
    open_[handle] = {uMxId, (fdwOpen & CALLBACK_WINDOW) ? dwCallback : nullptr};
    log.push_back(QString("open %1 -> %2").arg(uMxId).arg(HandleValue(handle), 0, 16));
    *phmx = handle;
    return MMSYSERR_NOERROR;
}

MMRESULT FakeMixer::mixerClose(HMIXER hmx) {
    if (MMRESULT failure = Fails("close")) return failure;
    if (open_.erase(hmx) == 0) return MMSYSERR_INVALHANDLE;
    log.push_back(QString("close %1").arg(HandleValue(hmx), 0, 16));
    return MMSYSERR_NOERROR;
}

MMRESULT FakeMixer::mixerGetLineInfoA(HMIXER hmx, MIXERLINEA* line, DWORD fdwInfo) {
    FakeMixerDevice* device = DeviceOf(hmx);
    switch (fdwInfo) {
        case MIXER_GETLINEINFOF_DESTINATION:
            if (MMRESULT failure = Fails("lineInfo(dst)")) return failure;
            if (!device) return MMSYSERR_INVALHANDLE;
            if (line->dwDestination >= device->destinations.size()) return MIXERR_INVALLINE;
            *line = device->destinations[line->dwDestination].line.line;
            return MMSYSERR_NOERROR;
        case MIXER_GETLINEINFOF_SOURCE: {
            if (MMRESULT failure = Fails("lineInfo(src)")) return failure;
            if (!device) return MMSYSERR_INVALHANDLE;
            if (line->dwDestination >= device->destinations.size()) return MIXERR_INVALLINE;
            const auto& sources = device->destinations[line->dwDestination].sources;
            if (line->dwSource >= sources.size()) return MIXERR_INVALLINE;
            *line = sources[line->dwSource].line;
            return MMSYSERR_NOERROR;
        }
        case MIXER_GETLINEINFOF_LINEID: {
            if (MMRESULT failure = Fails("lineInfo(lineid)")) return failure;
            if (!device) return MMSYSERR_INVALHANDLE;
            FakeMixerLine* found = LineById(*device, line->dwLineID);
            if (!found) return MIXERR_INVALLINE;
            *line = found->line;
            return MMSYSERR_NOERROR;
        }
        default:
            return MMSYSERR_INVALFLAG;
    }
}

MMRESULT FakeMixer::mixerGetLineControlsA(HMIXER hmx, MIXERLINECONTROLSA* controls,
                                          DWORD fdwControls) {
    FakeMixerDevice* device = DeviceOf(hmx);
    if (fdwControls == MIXER_GETLINECONTROLSF_ALL) {
        if (MMRESULT failure = Fails("lineControls(all)")) return failure;
        if (!device) return MMSYSERR_INVALHANDLE;
        FakeMixerLine* line = LineById(*device, controls->dwLineID);
        if (!line) return MIXERR_INVALLINE;
        if (controls->cControls != line->controls.size()) return MMSYSERR_INVALPARAM;
        for (std::size_t i = 0; i < line->controls.size(); ++i)
            controls->pamxctrl[i] = line->controls[i].control;
        return MMSYSERR_NOERROR;
    }
    if (fdwControls == MIXER_GETLINECONTROLSF_ONEBYID) {
        if (MMRESULT failure = Fails("lineControls(onebyid)")) return failure;
        if (!device) return MMSYSERR_INVALHANDLE;
        FakeMixerLine* line = nullptr;
        FakeMixerControl* control = ControlById(*device, controls->dwControlID, &line);
        if (!control) return MIXERR_INVALCONTROL;
        controls->dwLineID = line->line.dwLineID;
        controls->pamxctrl[0] = control->control;
        return MMSYSERR_NOERROR;
    }
    return MMSYSERR_INVALFLAG;
}

MMRESULT FakeMixer::FindDetails(const QString& call, HMIXER hmx, const MIXERCONTROLDETAILS& details,
                                DetailsTarget& target) {
    if (MMRESULT failure = Fails(call)) return failure;
    FakeMixerDevice* device = DeviceOf(hmx);
    if (!device) return MMSYSERR_INVALHANDLE;
    FakeMixerLine* line = nullptr;
    target.control = ControlById(*device, details.dwControlID, &line);
    if (!target.control) return MIXERR_INVALCONTROL;
    target.channels = ChannelsOf(*line, target.control->control);
    target.items = ItemsOf(target.control->control);
    if (details.cChannels != 1 && details.cChannels != target.channels) return MMSYSERR_INVALPARAM;
    return MMSYSERR_NOERROR;
}

MMRESULT FakeMixer::mixerGetControlDetailsA(HMIXER hmx, MIXERCONTROLDETAILS* details, DWORD) {
    DetailsTarget target;
    if (MMRESULT failure = FindDetails("getDetails", hmx, *details, target)) return failure;
    // One channel of a control with several reads the first channel.
    std::copy_n(target.control->values.begin(), details->cChannels * target.items,
                details->paDetails);
    return MMSYSERR_NOERROR;
}

MMRESULT FakeMixer::mixerSetControlDetails(HMIXER hmx, const MIXERCONTROLDETAILS* details, DWORD) {
    DetailsTarget target;
    if (MMRESULT failure = FindDetails("setDetails", hmx, *details, target)) return failure;
    FakeMixerControl* control = target.control;
    const DWORD channels = target.channels;
    const DWORD items = target.items;
    // One channel given for a control with several sets them all alike.
    for (DWORD c = 0; c < channels; ++c) {
        const DWORD from = details->cChannels == 1 ? 0 : c;
        std::copy_n(details->paDetails + from * items, items, control->values.begin() + c * items);
    }
    QStringList values;
    for (DWORD value : control->values) values << QString::number(value);
    log.push_back(QString("set %1 = %2").arg(details->dwControlID).arg(values.join(',')));
    NotifyChange(open_.at(hmx).device, details->dwControlID);
    return MMSYSERR_NOERROR;
}

FakeMixerDevice& FakeMixer::AddDevice(const QString& name) {
    devices.push_back({name, {}, 1});
    return devices.back();
}

FakeMixerLine& FakeMixer::AddDestination(FakeMixerDevice& device, DWORD componentType,
                                         DWORD channels) {
    const std::size_t d = device.destinations.size();
    FakeMixerDestination destination;
    destination.line.line.dwDestination = static_cast<DWORD>(d);
    destination.line.line.dwLineID = DestinationLineId(d);
    destination.line.line.dwComponentType = componentType;
    destination.line.line.cChannels = channels;
    destination.line.line.szName = QString("Destination %1").arg(d);
    device.destinations.push_back(destination);
    return device.destinations.back().line;
}

FakeMixerLine& FakeMixer::AddSource(FakeMixerDevice& device, std::size_t destination,
                                    DWORD componentType, DWORD channels) {
    FakeMixerDestination& parent = device.destinations.at(destination);
    const std::size_t s = parent.sources.size();
    FakeMixerLine source;
    source.line.dwDestination = static_cast<DWORD>(destination);
    source.line.dwSource = static_cast<DWORD>(s);
    source.line.dwLineID = SourceLineId(destination, s);
    source.line.dwComponentType = componentType;
    source.line.cChannels = channels;
    source.line.szName = QString("Source %1.%2").arg(destination).arg(s);
    parent.sources.push_back(source);
    parent.line.line.cConnections = static_cast<DWORD>(parent.sources.size());
    return parent.sources.back();
}

DWORD FakeMixer::AddControl(FakeMixerDevice& device, FakeMixerLine& line, DWORD type, DWORD flags,
                            DWORD value, DWORD maximum) {
    FakeMixerControl control;
    control.control.dwControlID = device.nextControlId++;
    control.control.dwControlType = type;
    control.control.fdwControl = flags;
    control.control.Bounds.dwMaximum = maximum;
    control.control.Metrics.cSteps = maximum + 1;
    control.values.assign(ChannelsOf(line, control.control) * ItemsOf(control.control), value);
    line.controls.push_back(control);
    line.line.cControls = static_cast<DWORD>(line.controls.size());
    return control.control.dwControlID;
}

FakeMixerDevice& FakeMixer::AddMicrophoneDevice(const QString& name) {
    FakeMixerDevice& device = AddDevice(name);
    AddDestination(device, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    AddDestination(device, MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    for (std::size_t d : {0, 1}) {
        FakeMixerLine& microphone = AddSource(device, d, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE);
        AddControl(device, microphone, MIXERCONTROL_CONTROLTYPE_VOLUME, 0, 40000);
        AddControl(device, microphone, MIXERCONTROL_CONTROLTYPE_MUTE, MIXERCONTROL_CONTROLF_UNIFORM,
                   1, 1);
    }
    return device;
}

FakeMixerControl* FakeMixer::Control(std::size_t device, DWORD controlId) {
    return ControlById(devices.at(device), controlId);
}

void FakeMixer::ChangeFromOutside(std::size_t device, DWORD controlId, std::vector<DWORD> values) {
    Control(device, controlId)->values = std::move(values);
    NotifyChange(device, controlId);
}

FakeMixerDevice* FakeMixer::DeviceOf(HMIXER hmx) {
    const auto found = open_.find(hmx);
    return found == open_.end() ? nullptr : &devices.at(found->second.device);
}

FakeMixerLine* FakeMixer::LineById(FakeMixerDevice& device, DWORD lineId) {
    for (FakeMixerDestination& destination : device.destinations) {
        if (destination.line.line.dwLineID == lineId) return &destination.line;
        for (FakeMixerLine& source : destination.sources)
            if (source.line.dwLineID == lineId) return &source;
    }
    return nullptr;
}

FakeMixerControl* FakeMixer::ControlById(FakeMixerDevice& device, DWORD controlId,
                                         FakeMixerLine** line) {
    auto search = [&](FakeMixerLine& candidate) -> FakeMixerControl* {
        for (FakeMixerControl& control : candidate.controls) {
            if (control.control.dwControlID != controlId) continue;
            if (line) *line = &candidate;
            return &control;
        }
        return nullptr;
    };
    for (FakeMixerDestination& destination : device.destinations) {
        if (FakeMixerControl* found = search(destination.line)) return found;
        for (FakeMixerLine& source : destination.sources)
            if (FakeMixerControl* found = search(source)) return found;
    }
    return nullptr;
}

void FakeMixer::NotifyChange(std::size_t device, DWORD controlId) {
    for (const auto& [handle, opened] : open_) {
        if (opened.device == device && opened.callback)
            PostWindowMessage(opened.callback, MM_MIXM_CONTROL_CHANGE,
                              reinterpret_cast<std::uintptr_t>(handle), controlId);
    }
}
