#include "pulse/pulse_mixer.h"

#include <QCoreApplication>
#include <algorithm>

#include "services/window_messages.h"

namespace {

constexpr int kReadyTimeoutMs = 3000;
constexpr DWORD kSpeakers = 0;
constexpr DWORD kRecording = 1;
constexpr DWORD kDestinations = 2;
// Per destination: the microphone's volume, then its mute.
constexpr DWORD kSpeakersVolume = 1;
constexpr DWORD kSpeakersMute = 2;
constexpr DWORD kRecordingVolume = 3;
constexpr DWORD kRecordingMute = 4;
constexpr DWORD kFull = 65535;
// A playthrough that ended by itself is started again at most this often.
constexpr auto kRestartInterval = std::chrono::seconds(1);

DWORD DestinationLineId(DWORD destination) {
    return 0xFFFF0000u | destination;
}
DWORD MicrophoneLineId(DWORD destination) {
    return 0x00010000u | destination;
}
DWORD DestinationOfControl(DWORD controlId) {
    return (controlId - 1) / 2;
}
bool IsVolume(DWORD controlId) {
    return controlId % 2 == 1;
}
bool IsControl(DWORD controlId) {
    return controlId >= 1 && controlId <= 4;
}

// A control value is the server's own volume step (65536 is 100 %), so a value written
// reads back unchanged; louder than the top of the fader reads as the top.
std::vector<std::uint32_t> StepsOf(const std::vector<DWORD>& values) {
    std::vector<std::uint32_t> steps;
    for (DWORD value : values) steps.push_back(std::min(value, kFull));
    return steps;
}

std::vector<DWORD> ValuesOf(const std::vector<std::uint32_t>& steps) {
    std::vector<DWORD> values;
    for (std::uint32_t step : steps) values.push_back(std::min<DWORD>(step, kFull));
    return values;
}

pa_cvolume ChannelVolumes(const std::vector<DWORD>& values) {
    pa_cvolume volume;
    pa_cvolume_init(&volume);
    volume.channels =
        static_cast<std::uint8_t>(std::min<std::size_t>(values.size(), PA_CHANNELS_MAX));
    for (std::uint8_t c = 0; c < volume.channels; ++c)
        volume.values[c] = std::min(values[c], kFull);
    return volume;
}

// One level for a control of several channels is its loudest channel's; setting it
// scales every channel alike, so the balance stays.
DWORD Loudest(const std::vector<DWORD>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

std::vector<DWORD> Scaled(std::vector<DWORD> values, DWORD level) {
    const DWORD loudest = Loudest(values);
    for (DWORD& value : values)
        value = loudest == 0
                    ? level
                    : static_cast<DWORD>((std::uint64_t{value} * level + loudest / 2) / loudest);
    return values;
}

std::vector<DWORD> ValuesOf(const pa_cvolume& volume) {
    return ValuesOf(std::vector<std::uint32_t>(volume.values, volume.values + volume.channels));
}

MIXERLINEA DestinationLine(DWORD destination, DWORD channels) {
    MIXERLINEA line;
    line.dwDestination = destination;
    line.dwLineID = DestinationLineId(destination);
    line.dwComponentType = destination == kSpeakers ? MIXERLINE_COMPONENTTYPE_DST_SPEAKERS
                                                    : MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
    line.cChannels = channels;
    line.cConnections = 1;
    line.szShortName = line.szName = destination == kSpeakers ? "Speakers" : "Recording";
    return line;
}

MIXERLINEA MicrophoneLine(DWORD destination, DWORD channels) {
    MIXERLINEA line;
    line.dwDestination = destination;
    line.dwLineID = MicrophoneLineId(destination);
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
    line.cChannels = channels;
    line.cControls = 2;
    line.szShortName = line.szName = "Microphone";
    return line;
}

MIXERCONTROLA ControlRecord(DWORD controlId) {
    MIXERCONTROLA control;
    control.dwControlID = controlId;
    control.fdwControl = MIXERCONTROL_CONTROLF_UNIFORM;
    if (IsVolume(controlId)) {
        control.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
        control.szShortName = control.szName = "Volume";
        control.Bounds.dwMaximum = kFull;
        control.Metrics.cSteps = kFull + 1;
    } else {
        control.dwControlType = MIXERCONTROL_CONTROLTYPE_MUTE;
        control.szShortName = control.szName = "Mute";
        control.Bounds.dwMaximum = 1;
    }
    return control;
}

}  // namespace

PulseMixer::PulseMixer(SoundServer& server) : server_(server) {
    server_.onSourceChanged = [this](const QByteArray& source, bool volume, bool mute) {
        if (volume) Notify(source, kRecordingVolume);
        if (mute) Notify(source, kRecordingMute);
    };
    server_.onSinkInputChanged = [this](std::uint32_t sinkInput, const pa_cvolume* volume) {
        OnPlaythroughChanged(sinkInput, volume);
    };
    server_.onDevicesChanged = [this] { SyncPlaythroughs(); };
    retry_.setSingleShot(true);
    QObject::connect(&retry_, &QTimer::timeout, &receiver_, [this] { SyncPlaythroughs(); });
}

PulseMixer::~PulseMixer() {
    playthroughs_.clear();
}

UINT PulseMixer::mixerGetNumDevs() {
    // Only the first question waits: without a server, closing must not wait again.
    if (!waited_) server_.WaitUntilReady(kReadyTimeoutMs);
    waited_ = true;
    return static_cast<UINT>(server_.microphones().size());
}

MMRESULT PulseMixer::mixerGetDevCapsA(UINT uMxId, MIXERCAPSA* caps) {
    if (uMxId >= server_.microphones().size()) return MMSYSERR_BADDEVICEID;
    *caps = {server_.microphones()[uMxId].deviceName, 0, kDestinations};
    return MMSYSERR_NOERROR;
}

MMRESULT PulseMixer::mixerGetDevCapsA(HMIXER hmx, MIXERCAPSA* caps) {
    const MicrophoneSource* microphone = SourceOf(hmx);
    if (!microphone) return Missing(hmx);
    *caps = {microphone->deviceName, 0, kDestinations};
    return MMSYSERR_NOERROR;
}

MMRESULT PulseMixer::mixerOpen(HMIXER* phmx, UINT uMxId, QObject* dwCallback, DWORD fdwOpen) {
    if (uMxId >= server_.microphones().size()) return MMSYSERR_BADDEVICEID;
    const std::uintptr_t handle = nextHandle_++;
    open_[handle] = {server_.microphones()[uMxId].name,
                     (fdwOpen & CALLBACK_WINDOW) ? dwCallback : nullptr};
    *phmx = HandleOf(handle);
    return MMSYSERR_NOERROR;
}

MMRESULT PulseMixer::mixerClose(HMIXER hmx) {
    return open_.erase(HandleValue(hmx)) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

MMRESULT PulseMixer::mixerGetLineInfoA(HMIXER hmx, MIXERLINEA* line, DWORD fdwInfo) {
    const MicrophoneSource* microphone = SourceOf(hmx);
    if (!microphone) return Missing(hmx);
    const DWORD channels = static_cast<DWORD>(microphone->channels);
    switch (fdwInfo) {
        case MIXER_GETLINEINFOF_DESTINATION:
            if (line->dwDestination >= kDestinations) return MIXERR_INVALLINE;
            *line = DestinationLine(line->dwDestination, channels);
            return MMSYSERR_NOERROR;
        case MIXER_GETLINEINFOF_SOURCE:
            if (line->dwDestination >= kDestinations || line->dwSource != 0)
                return MIXERR_INVALLINE;
            *line = MicrophoneLine(line->dwDestination, channels);
            return MMSYSERR_NOERROR;
        case MIXER_GETLINEINFOF_LINEID:
            for (DWORD d = 0; d < kDestinations; ++d) {
                if (line->dwLineID == DestinationLineId(d)) {
                    *line = DestinationLine(d, channels);
                    return MMSYSERR_NOERROR;
                }
                if (line->dwLineID == MicrophoneLineId(d)) {
                    *line = MicrophoneLine(d, channels);
                    return MMSYSERR_NOERROR;
                }
            }
            return MIXERR_INVALLINE;
        default:
            return MMSYSERR_INVALFLAG;
    }
}

MMRESULT PulseMixer::mixerGetLineControlsA(HMIXER hmx, MIXERLINECONTROLSA* controls,
                                           DWORD fdwControls) {
    if (!SourceOf(hmx)) return Missing(hmx);
    if (fdwControls == MIXER_GETLINECONTROLSF_ONEBYID) {
        if (!IsControl(controls->dwControlID)) return MIXERR_INVALCONTROL;
        controls->dwLineID = MicrophoneLineId(DestinationOfControl(controls->dwControlID));
        controls->pamxctrl[0] = ControlRecord(controls->dwControlID);
        return MMSYSERR_NOERROR;
    }
    if (fdwControls != MIXER_GETLINECONTROLSF_ALL) return MMSYSERR_INVALFLAG;
    for (DWORD d = 0; d < kDestinations; ++d) {
        if (controls->dwLineID == DestinationLineId(d))
            return controls->cControls == 0 ? MMSYSERR_NOERROR : MMSYSERR_INVALPARAM;
        if (controls->dwLineID != MicrophoneLineId(d)) continue;
        if (controls->cControls != 2) return MMSYSERR_INVALPARAM;
        controls->pamxctrl[0] = ControlRecord(2 * d + 1);
        controls->pamxctrl[1] = ControlRecord(2 * d + 2);
        return MMSYSERR_NOERROR;
    }
    return MIXERR_INVALLINE;
}

MMRESULT PulseMixer::mixerGetControlDetailsA(HMIXER hmx, MIXERCONTROLDETAILS* details, DWORD) {
    const MicrophoneSource* microphone = SourceOf(hmx);
    if (!microphone) return Missing(hmx);
    if (!IsControl(details->dwControlID)) return MIXERR_INVALCONTROL;
    std::vector<DWORD> values = Values(*microphone, details->dwControlID);
    if (details->cChannels != 1 && details->cChannels != values.size()) return MMSYSERR_INVALPARAM;
    if (details->cChannels == 1) values = {Loudest(values)};
    std::copy_n(values.begin(), details->cChannels, details->paDetails);
    return MMSYSERR_NOERROR;
}

MMRESULT PulseMixer::mixerSetControlDetails(HMIXER hmx, const MIXERCONTROLDETAILS* details, DWORD) {
    const MicrophoneSource* microphone = SourceOf(hmx);
    if (!microphone) return Missing(hmx);
    if (!IsControl(details->dwControlID)) return MIXERR_INVALCONTROL;
    std::vector<DWORD> values = Values(*microphone, details->dwControlID);
    if (details->cChannels != 1 && details->cChannels != values.size()) return MMSYSERR_INVALPARAM;
    if (details->cChannels == 1)
        values = Scaled(values, details->paDetails[0]);
    else
        std::copy_n(details->paDetails, values.size(), values.begin());
    const QByteArray source = microphone->name;
    const MMRESULT result = Apply(*microphone, details->dwControlID, values);
    if (result == MMSYSERR_NOERROR) Notify(source, details->dwControlID);
    return result;
}

MMRESULT PulseMixer::Missing(HMIXER hmx) const {
    // An open handle whose microphone has gone lost its driver.
    return open_.count(HandleValue(hmx)) ? MMSYSERR_NODRIVER : MMSYSERR_INVALHANDLE;
}

const MicrophoneSource* PulseMixer::SourceOf(HMIXER hmx) const {
    const auto found = open_.find(HandleValue(hmx));
    return found == open_.end() ? nullptr : server_.Microphone(found->second.source);
}

PulseMixer::Playthrough& PulseMixer::PlaythroughOf(const MicrophoneSource& microphone) {
    Playthrough& playthrough = playthroughs_[microphone.name];
    playthrough.volume.resize(static_cast<std::size_t>(microphone.channels), kFull);
    return playthrough;
}

std::vector<DWORD> PulseMixer::Values(const MicrophoneSource& microphone, DWORD controlId) {
    Playthrough& playthrough = PlaythroughOf(microphone);
    switch (controlId) {
        case kSpeakersVolume:
            return playthrough.volume;
        case kSpeakersMute:
            return {playthrough.on ? 0u : 1u};
        case kRecordingVolume:
            return ValuesOf(microphone.volumes);
        default:
            return {microphone.mute ? 1u : 0u};
    }
}

MMRESULT PulseMixer::Apply(const MicrophoneSource& microphone, DWORD controlId,
                           const std::vector<DWORD>& values) {
    Playthrough& playthrough = PlaythroughOf(microphone);
    switch (controlId) {
        case kSpeakersVolume:
            playthrough.volume = values;
            if (playthrough.streams) playthrough.streams->SetVolume(ChannelVolumes(values));
            return MMSYSERR_NOERROR;
        case kSpeakersMute:
            playthrough.on = values[0] == 0;
            SyncPlaythroughs();
            return MMSYSERR_NOERROR;
        case kRecordingVolume:
            server_.SetVolumes(microphone.index, StepsOf(values));
            return MMSYSERR_NOERROR;
        default:
            server_.SetMute(microphone.index, values[0] != 0);
            return MMSYSERR_NOERROR;
    }
}

void PulseMixer::OnPlaythroughChanged(std::uint32_t sinkInput, const pa_cvolume* volume) {
    if (!volume) return;
    for (auto& [source, playthrough] : playthroughs_) {
        if (playthrough.streams && playthrough.streams->sinkInput() == sinkInput &&
            ValuesOf(*volume) != playthrough.volume) {
            playthrough.volume = ValuesOf(*volume);
            Notify(source, kSpeakersVolume);
        }
    }
}

void PulseMixer::SyncPlaythroughs() {
    const QByteArray songOutput = server_.songOutput();
    const auto now = std::chrono::steady_clock::now();
    for (auto& [source, playthrough] : playthroughs_) {
        const MicrophoneSource* microphone = server_.Microphone(source);
        const bool possible =
            playthrough.on && microphone && !songOutput.isEmpty() && server_.context();
        PulsePlaythrough* streams = playthrough.streams.get();
        // Both streams end together, so neither is left behind in the server.
        if (streams && (!possible || !streams->alive() || streams->rate() != microphone->rate ||
                        streams->channels() != microphone->channels))
            playthrough.streams.reset();
        if (!possible) continue;
        if (playthrough.streams) {
            playthrough.streams->MoveTo(songOutput);
            continue;
        }
        if (now - playthrough.started < kRestartInterval) {
            retry_.start(std::chrono::duration_cast<std::chrono::milliseconds>(
                playthrough.started + kRestartInterval - now));
            continue;
        }
        playthrough.started = now;
        playthrough.streams = std::make_unique<PulsePlaythrough>(
            QCoreApplication::applicationName().toUtf8(),
            PulsePlaythrough::Streams{source, songOutput, microphone->rate, microphone->channels,
                                      ChannelVolumes(playthrough.volume)},
            &receiver_, [this] { SyncPlaythroughs(); });
    }
}

void PulseMixer::Notify(const QByteArray& source, DWORD controlId) {
    for (const auto& [handle, opened] : open_) {
        if (opened.source == source && opened.callback)
            PostWindowMessage(opened.callback, MM_MIXM_CONTROL_CHANGE, handle, controlId);
    }
}

std::unique_ptr<Mixer> MakePulseMixer(SoundServer& server) {
    return std::make_unique<PulseMixer>(server);
}
