#include "platform/pulse_microphones.h"

#include <pulse/introspect.h>
#include <pulse/subscribe.h>

#include <glib.h>
#include <QAbstractEventDispatcher>
#include <QEventLoop>

#include "platform/pulse_operation.h"

namespace {

constexpr int kReconnectMs = 1000;
// The capture device of the sources that belong to no card.
constexpr char kCardlessDeviceName[] = "Other inputs";
constexpr int kDrainTimeoutMs = 2000;

QByteArray Text(const char* text) {
    return text ? QByteArray(text) : QByteArray();
}

// A microphone by what the server says of it: its form factor, or a port of microphone
// type (or named so, for drivers that give no port types).
bool IsMicrophone(const pa_source_info& info) {
    if (info.monitor_of_sink != PA_INVALID_INDEX) return false;
    const QByteArray formFactor = Text(pa_proplist_gets(info.proplist, PA_PROP_DEVICE_FORM_FACTOR));
    if (formFactor == "microphone" || formFactor == "headset") return true;
    for (std::uint32_t i = 0; i < info.n_ports; ++i) {
        const pa_source_port_info& port = *info.ports[i];
        if (port.type == PA_DEVICE_PORT_TYPE_MIC || port.type == PA_DEVICE_PORT_TYPE_HEADSET ||
            Text(port.name).toLower().contains("mic"))
            return true;
    }
    return false;
}

// Runs the event loop until done() holds or timeoutMs passes.
bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start(5);
    if (!done()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    return done();
}

}  // namespace

PulseMicrophones::PulseMicrophones(const QByteArray& applicationName)
    : applicationName_(applicationName) {
    // Qt normally runs the default GLib context; an event loop without GLib gives it a
    // turn from a short timer instead.
    auto* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher || !dispatcher->inherits("QEventDispatcherGlib")) {
        QObject::connect(&glibPump_, &QTimer::timeout,
                         [] { g_main_context_iteration(nullptr, FALSE); });
        glibPump_.start(5);
    }
    mainloop_.reset(pa_glib_mainloop_new(nullptr));
    reconnect_.setSingleShot(true);
    reconnect_.setInterval(kReconnectMs);
    QObject::connect(&reconnect_, &QTimer::timeout, [this] { Connect(); });
    Connect();
}

PulseMicrophones::~PulseMicrophones() {
    if (context_ && ready_) {
        bool drained = false;
        PulseOperation drain(pa_context_drain(
            context_.get(), [](pa_context*, void* flag) { *static_cast<bool*>(flag) = true; },
            &drained));
        if (drain) RunUntil([&] { return drained; }, kDrainTimeoutMs);
    }
    Disconnect();
}

bool PulseMicrophones::WaitUntilReady(int timeoutMs) {
    return RunUntil([this] { return ready_; }, timeoutMs);
}

const MicrophoneSource* PulseMicrophones::Microphone(const QByteArray& name) const {
    for (const MicrophoneSource& microphone : microphones_)
        if (microphone.name == name) return &microphone;
    return nullptr;
}

void PulseMicrophones::SetVolume(std::uint32_t source, const pa_cvolume& volume) {
    if (!context()) return;
    // The model takes the request at once, so a read that follows sees it; the server's
    // answer reports only what differs from it.
    Update(source, [&](MicrophoneSource& microphone) { microphone.volume = volume; });
    PulseOperation(
        pa_context_set_source_volume_by_index(context_.get(), source, &volume, nullptr, nullptr));
}

void PulseMicrophones::SetMute(std::uint32_t source, bool mute) {
    if (!context()) return;
    Update(source, [&](MicrophoneSource& microphone) { microphone.mute = mute; });
    PulseOperation(
        pa_context_set_source_mute_by_index(context_.get(), source, mute, nullptr, nullptr));
}

void PulseMicrophones::Update(std::uint32_t source,
                              const std::function<void(MicrophoneSource&)>& change) {
    const auto found = sources_.find(source);
    if (found == sources_.end()) return;
    change(found->second.microphone);
    for (MicrophoneSource& microphone : microphones_)
        if (microphone.index == source) change(microphone);
}

void PulseMicrophones::Connect() {
    context_.reset(
        pa_context_new(pa_glib_mainloop_get_api(mainloop_.get()), applicationName_.constData()));
    if (!context_) return reconnect_.start();
    pa_context_set_state_callback(context_.get(), &PulseMicrophones::OnState, this);
    if (pa_context_connect(context_.get(), nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0) Lost();
}

void PulseMicrophones::Disconnect() {
    if (!context_) return;
    pa_context_set_state_callback(context_.get(), nullptr, nullptr);
    pa_context_set_subscribe_callback(context_.get(), nullptr, nullptr);
    pa_context_disconnect(context_.get());
    context_.reset();
}

void PulseMicrophones::Lost() {
    Disconnect();
    ready_ = false;
    pendingFetches_ = 0;
    cards_.clear();
    sources_.clear();
    microphones_.clear();
    reconnect_.start();
}

void PulseMicrophones::OnState(pa_context* context, void* self) {
    auto* server = static_cast<PulseMicrophones*>(self);
    switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            server->Subscribe();
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            // Not from inside the library's own callback: the context goes away there.
            QTimer::singleShot(0, &server->reconnect_, [server] { server->Lost(); });
            break;
        default:
            break;
    }
}

void PulseMicrophones::Subscribe() {
    pa_context_set_subscribe_callback(context_.get(), &PulseMicrophones::OnEvent, this);
    const auto mask = static_cast<pa_subscription_mask_t>(
        PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_CARD | PA_SUBSCRIPTION_MASK_SINK_INPUT);
    PulseOperation(pa_context_subscribe(context_.get(), mask, nullptr, nullptr));
    pendingFetches_ = 2;
    PulseOperation(pa_context_get_card_info_list(context_.get(), &PulseMicrophones::OnCard, this));
    PulseOperation(
        pa_context_get_source_info_list(context_.get(), &PulseMicrophones::OnSource, this));
}

void PulseMicrophones::OnCard(pa_context*, const pa_card_info* info, int eol, void* self) {
    auto* server = static_cast<PulseMicrophones*>(self);
    if (eol != 0 || !info) return server->FetchDone();
    const char* description = pa_proplist_gets(info->proplist, PA_PROP_DEVICE_DESCRIPTION);
    server->cards_[info->index] = QString::fromUtf8(description ? description : info->name);
    if (server->ready_) server->Rebuild();
}

void PulseMicrophones::OnSource(pa_context*, const pa_source_info* info, int eol, void* self) {
    auto* server = static_cast<PulseMicrophones*>(self);
    if (eol != 0 || !info) return server->FetchDone();
    Source source;
    source.microphone.name = Text(info->name);
    source.microphone.index = info->index;
    source.microphone.spec = info->sample_spec;
    source.microphone.channels = info->channel_map;
    source.microphone.volume = info->volume;
    source.microphone.mute = info->mute != 0;
    source.card = info->card;
    source.isMicrophone = IsMicrophone(*info);
    server->StoreSource(source);
}

void PulseMicrophones::OnSinkInput(pa_context*, const pa_sink_input_info* info, int eol,
                                   void* self) {
    auto* server = static_cast<PulseMicrophones*>(self);
    if (eol != 0 || !info || !server->onSinkInputChanged) return;
    server->onSinkInputChanged(info->index, &info->volume);
}

void PulseMicrophones::FetchDone() {
    if (pendingFetches_ == 0 || --pendingFetches_ > 0) return;
    ready_ = true;
    Rebuild();
}

void PulseMicrophones::StoreSource(Source source) {
    const auto previous = sources_.find(source.microphone.index);
    const bool known = ready_ && previous != sources_.end();
    const bool volumeChanged =
        known && !pa_cvolume_equal(&previous->second.microphone.volume, &source.microphone.volume);
    const bool muteChanged = known && previous->second.microphone.mute != source.microphone.mute;
    const QByteArray name = source.microphone.name;
    sources_[source.microphone.index] = std::move(source);
    if (!ready_) return;
    Rebuild();
    if ((volumeChanged || muteChanged) && onSourceChanged)
        onSourceChanged(name, volumeChanged, muteChanged);
}

void PulseMicrophones::Rebuild() {
    microphones_.clear();
    auto firstMicrophoneOf = [this](std::uint32_t card) -> const Source* {
        for (const auto& [index, source] : sources_)
            if (source.card == card && source.isMicrophone) return &source;
        return nullptr;
    };
    for (const auto& [card, description] : cards_) {
        if (const Source* source = firstMicrophoneOf(card)) {
            microphones_.push_back(source->microphone);
            microphones_.back().deviceName = description;
        }
    }
    if (const Source* source = firstMicrophoneOf(PA_INVALID_INDEX)) {
        microphones_.push_back(source->microphone);
        microphones_.back().deviceName = QString::fromUtf8(kCardlessDeviceName);
    }
}

void PulseMicrophones::OnEvent(pa_context* context, pa_subscription_event_type_t type,
                               std::uint32_t index, void* self) {
    auto* server = static_cast<PulseMicrophones*>(self);
    const unsigned facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE) {
        if (facility == PA_SUBSCRIPTION_EVENT_SINK_INPUT) {
            if (server->onSinkInputChanged) server->onSinkInputChanged(index, nullptr);
            return;
        }
        server->sources_.erase(facility == PA_SUBSCRIPTION_EVENT_SOURCE ? index : PA_INVALID_INDEX);
        server->cards_.erase(facility == PA_SUBSCRIPTION_EVENT_CARD ? index : PA_INVALID_INDEX);
        if (server->ready_) server->Rebuild();
        return;
    }
    switch (facility) {
        case PA_SUBSCRIPTION_EVENT_SOURCE:
            PulseOperation(pa_context_get_source_info_by_index(context, index,
                                                               &PulseMicrophones::OnSource, self));
            break;
        case PA_SUBSCRIPTION_EVENT_CARD:
            PulseOperation(
                pa_context_get_card_info_by_index(context, index, &PulseMicrophones::OnCard, self));
            break;
        case PA_SUBSCRIPTION_EVENT_SINK_INPUT:
            PulseOperation(pa_context_get_sink_input_info(context, index,
                                                          &PulseMicrophones::OnSinkInput, self));
            break;
        default:
            break;
    }
}
