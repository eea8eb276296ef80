#include "pulse/sound_server.h"

#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/subscribe.h>
#include <pulse/volume.h>

#include <glib.h>
#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>
#include <cmath>
#include <set>
#include <utility>

#include "desktop/event_loop_wait.h"
#include "pulse/pulse_handles.h"
#include "pulse/pulse_log.h"

namespace {

// A burst of hot-plug events (a card brings several sources and sinks) becomes one update.
constexpr int kCoalesceMs = 50;
constexpr int kReconnectMs = 1000;
// At the end, requests still on their way (a port or a mute given back) get this long to
// reach the server.
constexpr int kDrainTimeoutMs = 2000;

QString Text(const char* text) {
    return text ? QString::fromUtf8(text) : QString();
}

QString Property(const pa_proplist* properties, const char* key) {
    return Text(properties ? pa_proplist_gets(properties, key) : nullptr);
}

template <typename Info>
std::vector<SoundPort> PortsOf(const Info* info) {
    std::vector<SoundPort> ports;
    for (std::uint32_t i = 0; i < info->n_ports; ++i) {
        const auto* port = info->ports[i];
        // Drivers without port types still name their microphone ports so.
        const bool microphone = port->type == PA_DEVICE_PORT_TYPE_MIC ||
                                port->type == PA_DEVICE_PORT_TYPE_HEADSET ||
                                Text(port->name).contains("mic", Qt::CaseInsensitive);
        ports.push_back({Text(port->name), Text(port->description),
                         port->available != PA_PORT_AVAILABLE_NO, microphone});
    }
    return ports;
}

template <typename Info>
SoundDevice DeviceOf(const Info* info) {
    SoundDevice device;
    device.index = info->index;
    device.name = Text(info->name);
    device.description = Text(info->description);
    device.card = info->card;
    device.formFactor = Property(info->proplist, PA_PROP_DEVICE_FORM_FACTOR);
    device.ports = PortsOf(info);
    device.activePort = info->active_port ? Text(info->active_port->name) : QString();
    device.rate = static_cast<int>(info->sample_spec.rate);
    device.channels = info->sample_spec.channels;
    device.volume = static_cast<double>(pa_cvolume_avg(&info->volume)) / PA_VOLUME_NORM;
    device.channelVolumes.assign(info->volume.values, info->volume.values + info->volume.channels);
    device.mute = info->mute != 0;
    return device;
}

pa_cvolume VolumeOf(const SoundDevice& device, double fraction) {
    pa_cvolume volume;
    const double raw = std::max(0.0, fraction) * PA_VOLUME_NORM;
    pa_cvolume_set(&volume, static_cast<unsigned>(std::max(1, device.channels)),
                   static_cast<pa_volume_t>(std::lround(std::min(raw, double(PA_VOLUME_MAX)))));
    return volume;
}

}  // namespace

struct SoundServer::Impl {
    SoundServer* owner;
    QByteArray applicationName;
    PulseMainloopHandle mainloop;
    PulseContextHandle context;
    SoundModel model;
    bool ready = false;
    int pendingFetches = 0;
    std::set<std::pair<unsigned, std::uint32_t>> dirty;  // facility, index
    QTimer coalesce;
    QTimer reconnect;
    QTimer glibPump;

    Impl(SoundServer* server, const QString& name) : owner(server), applicationName(name.toUtf8()) {
        DriveGlibContext();
        mainloop.reset(pa_glib_mainloop_new(nullptr));
        coalesce.setSingleShot(true);
        coalesce.setInterval(kCoalesceMs);
        QObject::connect(&coalesce, &QTimer::timeout, [this] { Refetch(); });
        reconnect.setSingleShot(true);
        reconnect.setInterval(kReconnectMs);
        QObject::connect(&reconnect, &QTimer::timeout, [this] { Connect(); });
        Connect();
    }

    ~Impl() { Disconnect(); }

    void Drain() {
        coalesce.stop();
        reconnect.stop();
        if (!context || pa_context_get_state(context.get()) != PA_CONTEXT_READY) return;
        pa_context_set_subscribe_callback(context.get(), nullptr, nullptr);
        bool drained = false;
        const PulseOperation operation(pa_context_drain(
            context.get(), [](pa_context*, void* flag) { *static_cast<bool*>(flag) = true; },
            &drained));
        if (!operation) return;  // nothing on its way
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (drained) loop.quit();
        });
        QTimer::singleShot(kDrainTimeoutMs, &loop, &QEventLoop::quit);
        poll.start(5);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }

    // Qt normally runs the default GLib context; on an event loop without GLib the
    // context gets a turn from a short timer instead.
    void DriveGlibContext() {
        auto* dispatcher = QAbstractEventDispatcher::instance();
        if (dispatcher && dispatcher->inherits("QEventDispatcherGlib")) return;
        QObject::connect(&glibPump, &QTimer::timeout,
                         [] { g_main_context_iteration(nullptr, FALSE); });
        glibPump.start(10);
    }

    pa_mainloop_api* Api() { return pa_glib_mainloop_get_api(mainloop.get()); }

    void Connect() {
        context.reset(pa_context_new(Api(), applicationName.constData()));
        if (!context) return reconnect.start();
        pa_context_set_state_callback(context.get(), &Impl::OnState, this);
        if (pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0) {
            qCWarning(pulseLog, "Cannot connect to the sound server: %s",
                      pa_strerror(pa_context_errno(context.get())));
            Lost();
        }
    }

    void Disconnect() {
        if (!context) return;
        pa_context_set_state_callback(context.get(), nullptr, nullptr);
        pa_context_set_subscribe_callback(context.get(), nullptr, nullptr);
        pa_context_disconnect(context.get());
        context.reset();
    }

    void Lost() {
        Disconnect();
        const bool hadModel = ready || !model.sources.empty() || !model.sinks.empty();
        ready = false;
        pendingFetches = 0;
        dirty.clear();
        model = SoundModel();
        if (hadModel) emit owner->modelChanged();
        reconnect.start();
    }

    static void OnState(pa_context* context, void* self) {
        auto* impl = static_cast<Impl*>(self);
        switch (pa_context_get_state(context)) {
            case PA_CONTEXT_READY:
                impl->Subscribe();
                break;
            case PA_CONTEXT_FAILED:
                qCWarning(pulseLog, "The sound server connection failed: %s",
                          pa_strerror(pa_context_errno(context)));
                [[fallthrough]];
            case PA_CONTEXT_TERMINATED:
                // Not from inside the library's own callback: the context is freed there.
                QTimer::singleShot(0, impl->owner, [impl] { impl->Lost(); });
                break;
            default:
                break;
        }
    }

    void Subscribe() {
        pa_context_set_subscribe_callback(context.get(), &Impl::OnEvent, this);
        const auto mask = static_cast<pa_subscription_mask_t>(
            PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_CARD |
            PA_SUBSCRIPTION_MASK_SERVER | PA_SUBSCRIPTION_MASK_SINK_INPUT);
        Track(pa_context_subscribe(context.get(), mask, nullptr, nullptr));
        pendingFetches = 4;
        Track(pa_context_get_card_info_list(context.get(), &Impl::OnCard, this));
        Track(pa_context_get_source_info_list(context.get(), &Impl::OnSource, this));
        Track(pa_context_get_sink_info_list(context.get(), &Impl::OnSink, this));
        Track(pa_context_get_server_info(context.get(), &Impl::OnServer, this));
    }

    // The operation goes on in the server; only our reference to it ends here.
    static void Track(pa_operation* operation) { PulseOperation release(operation); }

    void FetchDone() {
        if (pendingFetches == 0 || --pendingFetches > 0) return;
        ready = true;
        if (!dirty.empty()) coalesce.start();
        emit owner->modelChanged();
    }

    static void OnCard(pa_context*, const pa_card_info* info, int eol, void* self) {
        auto* impl = static_cast<Impl*>(self);
        if (eol != 0) return impl->FetchDone();
        impl->model.cards[info->index] = {info->index, Text(info->name),
                                          Property(info->proplist, PA_PROP_DEVICE_DESCRIPTION)};
    }

    static void OnSource(pa_context*, const pa_source_info* info, int eol, void* self) {
        auto* impl = static_cast<Impl*>(self);
        if (eol != 0) return impl->FetchDone();
        SoundDevice device = DeviceOf(info);
        device.monitorOfSink = info->monitor_of_sink;
        impl->model.sources[info->index] = device;
    }

    static void OnSink(pa_context*, const pa_sink_info* info, int eol, void* self) {
        auto* impl = static_cast<Impl*>(self);
        if (eol != 0) return impl->FetchDone();
        SoundDevice device = DeviceOf(info);
        device.monitorSource = Text(info->monitor_source_name);
        impl->model.sinks[info->index] = device;
    }

    static void OnServer(pa_context*, const pa_server_info* info, void* self) {
        auto* impl = static_cast<Impl*>(self);
        if (info) {
            impl->model.defaultSink = Text(info->default_sink_name);
            impl->model.defaultSource = Text(info->default_source_name);
        }
        impl->FetchDone();
    }

    static void OnEvent(pa_context*, pa_subscription_event_type_t type, std::uint32_t index,
                        void* self) {
        auto* impl = static_cast<Impl*>(self);
        const unsigned facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        // Playback streams are not in the model; whoever owns one asks about it.
        if (facility == PA_SUBSCRIPTION_EVENT_SINK_INPUT) {
            emit impl->owner->sinkInputChanged(
                index, (type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE);
            return;
        }
        if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE) {
            const auto source = impl->model.sources.find(index);
            if (facility == PA_SUBSCRIPTION_EVENT_SOURCE && source != impl->model.sources.end())
                emit impl->owner->sourceRemoved(source->second.name);
            impl->model.cards.erase(facility == PA_SUBSCRIPTION_EVENT_CARD ? index : kNoIndex);
            impl->model.sources.erase(facility == PA_SUBSCRIPTION_EVENT_SOURCE ? index : kNoIndex);
            impl->model.sinks.erase(facility == PA_SUBSCRIPTION_EVENT_SINK ? index : kNoIndex);
            impl->dirty.erase({facility, index});
        } else {
            impl->dirty.insert({facility, index});
        }
        if (!impl->coalesce.isActive()) impl->coalesce.start();
    }

    // Fetches every object that changed since the last round; removals are already in
    // the model. One modelChanged follows when the last answer is in.
    void Refetch() {
        // A round still in flight starts the next one when it ends.
        if (!context || pendingFetches > 0) return;
        const auto changed = std::exchange(dirty, {});
        pendingFetches = 1;
        for (const auto& [facility, index] : changed) {
            ++pendingFetches;
            switch (facility) {
                case PA_SUBSCRIPTION_EVENT_CARD:
                    Track(pa_context_get_card_info_by_index(context.get(), index, &Impl::OnCard,
                                                            this));
                    break;
                case PA_SUBSCRIPTION_EVENT_SOURCE:
                    Track(pa_context_get_source_info_by_index(context.get(), index, &Impl::OnSource,
                                                              this));
                    break;
                case PA_SUBSCRIPTION_EVENT_SINK:
                    Track(pa_context_get_sink_info_by_index(context.get(), index, &Impl::OnSink,
                                                            this));
                    break;
                default:
                    Track(pa_context_get_server_info(context.get(), &Impl::OnServer, this));
                    break;
            }
        }
        FetchDone();
    }
};

SoundServer::SoundServer(const QString& applicationName)
    : impl_(std::make_unique<Impl>(this, applicationName)) {}

SoundServer::~SoundServer() {
    impl_->Drain();
}

bool SoundServer::WaitUntilReady(int timeoutMs) {
    return RunEventLoopUntil([this] { return impl_->ready; }, timeoutMs,
                             QEventLoop::ExcludeUserInputEvents);
}

bool SoundServer::IsReady() const {
    return impl_->ready;
}

const SoundModel& SoundServer::model() const {
    return impl_->model;
}

void SoundServer::SetSourcePort(std::uint32_t source, const QString& port) {
    if (!impl_->context || !impl_->ready) return;
    Impl::Track(pa_context_set_source_port_by_index(impl_->context.get(), source,
                                                    port.toUtf8().constData(), nullptr, nullptr));
}

void SoundServer::SetSourceVolume(std::uint32_t source, double fraction) {
    const auto found = impl_->model.sources.find(source);
    if (!impl_->context || found == impl_->model.sources.end()) return;
    const pa_cvolume volume = VolumeOf(found->second, fraction);
    Impl::Track(pa_context_set_source_volume_by_index(impl_->context.get(), source, &volume,
                                                      nullptr, nullptr));
}

void SoundServer::SetSourceVolumes(std::uint32_t source, const std::vector<std::uint32_t>& steps) {
    if (!impl_->context || steps.empty()) return;
    pa_cvolume volume;
    pa_cvolume_init(&volume);
    volume.channels =
        static_cast<std::uint8_t>(std::min<std::size_t>(steps.size(), PA_CHANNELS_MAX));
    for (std::uint8_t c = 0; c < volume.channels; ++c)
        volume.values[c] = std::min<std::uint32_t>(steps[c], PA_VOLUME_MAX);
    Impl::Track(pa_context_set_source_volume_by_index(impl_->context.get(), source, &volume,
                                                      nullptr, nullptr));
}

pa_context* SoundServer::context() const {
    return impl_->ready ? impl_->context.get() : nullptr;
}

void SoundServer::SetSourceMute(std::uint32_t source, bool mute) {
    if (!impl_->context) return;
    Impl::Track(
        pa_context_set_source_mute_by_index(impl_->context.get(), source, mute, nullptr, nullptr));
}
