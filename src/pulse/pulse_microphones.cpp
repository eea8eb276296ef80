#include "pulse/pulse_microphones.h"

#include <pulse/introspect.h>

#include "desktop/event_loop_wait.h"
#include "pulse/capture_inputs.h"
#include "pulse/sound_server.h"

namespace {

constexpr int kDrainTimeoutMs = 2000;

}  // namespace

PulseMicrophones::PulseMicrophones(SoundServer& server) : server_(server) {
    QObject::connect(&server_, &SoundServer::modelChanged, &receiver_, [this] { Rebuild(); });
    QObject::connect(&server_, &SoundServer::sinkInputChanged, &receiver_,
                     [this](std::uint32_t index, bool removed) {
                         if (!removed) return AskAboutSinkInput(index);
                         if (onSinkInputChanged) onSinkInputChanged(index, nullptr);
                     });
    Rebuild();
}

PulseMicrophones::~PulseMicrophones() {
    for (const PulseOperation& query : queries_) pa_operation_cancel(query.get());
    if (!context()) return;
    bool drained = false;
    PulseOperation drain(pa_context_drain(
        context(), [](pa_context*, void* flag) { *static_cast<bool*>(flag) = true; }, &drained));
    if (drain)
        RunEventLoopUntil([&] { return drained; }, kDrainTimeoutMs,
                          QEventLoop::ExcludeUserInputEvents);
}

bool PulseMicrophones::WaitUntilReady(int timeoutMs) {
    if (!server_.IsReady()) server_.WaitUntilReady(timeoutMs);
    return server_.IsReady();
}

const MicrophoneSource* PulseMicrophones::Microphone(const QByteArray& name) const {
    for (const MicrophoneSource& microphone : microphones_)
        if (microphone.name == name) return &microphone;
    return nullptr;
}

MicrophoneSource* PulseMicrophones::Find(std::uint32_t source) {
    for (MicrophoneSource& microphone : microphones_)
        if (microphone.index == source) return &microphone;
    return nullptr;
}

pa_context* PulseMicrophones::context() const {
    return server_.context();
}

QByteArray PulseMicrophones::songOutput() const {
    return server_.model().defaultSink.toUtf8();
}

void PulseMicrophones::SetVolumes(std::uint32_t source, const std::vector<std::uint32_t>& volumes) {
    MicrophoneSource* microphone = Find(source);
    if (!microphone || !context()) return;
    microphone->volumes = volumes;
    written_[microphone->name].volumes = volumes;
    server_.SetSourceVolumes(source, volumes);
}

void PulseMicrophones::SetMute(std::uint32_t source, bool mute) {
    MicrophoneSource* microphone = Find(source);
    if (!microphone || !context()) return;
    microphone->mute = mute;
    written_[microphone->name].mute = mute;
    server_.SetSourceMute(source, mute);
}

void PulseMicrophones::Rebuild() {
    const SoundModel& model = server_.model();
    std::vector<MicrophoneSource> found;
    for (const CaptureDeviceInfo& device : CaptureDevicesOf(model)) {
        const SoundDevice* source = MicrophoneOf(model, CardIndexOf(model, device.card));
        if (!source) continue;
        found.push_back({device.friendlyName, source->name.toUtf8(), source->index, source->rate,
                         source->channels, source->channelVolumes, source->mute});
    }
    std::map<QByteArray, Reported> reported;
    struct Change {
        QByteArray source;
        bool volume;
        bool mute;
    };
    std::vector<Change> changes;
    for (MicrophoneSource& microphone : found) {
        const Reported now{microphone.volumes, microphone.mute};
        const auto before = reported_.find(microphone.name);
        const Reported* heardBefore = before == reported_.end() ? nullptr : &before->second;
        Written& written = written_[microphone.name];
        // What the program wrote counts until the server reports that value, or another
        // change that came after it.
        if (written.volumes && (!heardBefore || *written.volumes == now.volumes ||
                                heardBefore->volumes != now.volumes))
            written.volumes.reset();
        if (written.mute &&
            (!heardBefore || *written.mute == now.mute || heardBefore->mute != now.mute))
            written.mute.reset();
        if (written.volumes) microphone.volumes = *written.volumes;
        if (written.mute) microphone.mute = *written.mute;
        reported[microphone.name] = now;

        if (const MicrophoneSource* shown = Microphone(microphone.name)) {
            const Change change{microphone.name, shown->volumes != microphone.volumes,
                                shown->mute != microphone.mute};
            if (change.volume || change.mute) changes.push_back(change);
        }
    }
    reported_ = std::move(reported);
    microphones_ = std::move(found);
    for (const Change& change : changes)
        if (onSourceChanged) onSourceChanged(change.source, change.volume, change.mute);
    if (onDevicesChanged) onDevicesChanged();
}

void PulseMicrophones::AskAboutSinkInput(std::uint32_t index) {
    if (!context() || !onSinkInputChanged) return;
    std::erase_if(queries_, [](const PulseOperation& query) {
        return pa_operation_get_state(query.get()) != PA_OPERATION_RUNNING;
    });
    queries_.emplace_back(pa_context_get_sink_input_info(
        context(), index,
        [](pa_context*, const pa_sink_input_info* info, int eol, void* self) {
            auto* microphones = static_cast<PulseMicrophones*>(self);
            if (eol == 0 && info) microphones->onSinkInputChanged(info->index, &info->volume);
        },
        this));
}
