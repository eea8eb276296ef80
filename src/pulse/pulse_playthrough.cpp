#include "pulse/pulse_playthrough.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/proplist.h>
#include <pulse/rtclock.h>
#include <pulse/stream.h>
#include <pulse/subscribe.h>
#include <pulse/timeval.h>

#include <QObject>
#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "pipewire/pipewire_loopback.h"
#include "pulse/drift_follower.h"
#include "pulse/guarded_loopback.h"
#include "pulse/played_position.h"
#include "pulse/playthrough_target.h"
#include "pulse/realtime_thread.h"
#include "pulse/server_loopback_arguments.h"

namespace {

// The singer's voice should reach the output soon after the microphone, and without a
// break. The output keeps a target of samples in hand against late moments (the servers
// pass samples on in portions of their own, PipeWire in larger ones), ahead of the least
// delay the output device allows; every time it runs dry the target grows
// (`PlaythroughTarget`) and is filled with silence at once. The devices' clocks drifting apart are
// followed by playing the microphone a little faster or slower. What stands in the output
// well beyond the target for a while (from a start) is skipped in one go, and after a stall
// the output is emptied, so the voice never falls behind. The smaller the portions the
// microphone comes in, the less the output needs in hand between them: 2.5 ms portions let
// 7 ms hold where 5 ms ones broke, at the price of the server waking twice as often.
constexpr pa_usec_t kFragmentUsec = 2500;
// Once a stream runs, the client library asks the server how far the output has played
// only every 1.5 s. What the output holds is worked out from those reports
// (`PlayedPosition`), so they are asked for this often: a late report, or one that lags,
// is soon followed by a good one.
constexpr pa_usec_t kTimingUsec = 50000;
// The output plays what it is given in portions of its own, of at least the least request
// it granted; PipeWire's pulse server grants no less than about 5.3 ms and plays silence
// whenever it holds less than a whole portion. The first target holds one of them beside a
// microphone portion and a margin: 7 ms on PulseAudio, about 10 ms on PipeWire.
constexpr pa_usec_t kMarginUsec = 2000;
constexpr pa_usec_t kWindowUsec = 10000000;
constexpr pa_usec_t kSlackUsec = 40000;
constexpr pa_usec_t kStallUsec = 200000;
// The first second the output plays, the devices settle (an idle output wakes, the
// microphone hands over what it holds): what stands beyond the target is skipped at once,
// before the singer is heard, and running dry says nothing about the target.
constexpr pa_usec_t kSettleUsec = 1000000;
constexpr pa_usec_t kSettleSlackUsec = 15000;
// A loopback whose stream the server has not shown by then is taken to run on another
// server (a PipeWire other than the pulse server's) or none, and the pair of streams plays
// instead.
constexpr pa_usec_t kLoopbackShownUsec = 2000000;
constexpr const char* kCaptureName = "Microphone capture for playthrough";
constexpr const char* kPlaybackName = "Microphone playthrough";

using StreamHandle = CHandle<pa_stream, pa_stream_unref>;

pa_stream* NewStream(pa_context* context, const char* name, const pa_sample_spec& sampleSpec,
                     const pa_channel_map& channels) {
    const PulsePropertiesHandle properties(pa_proplist_new());
    pa_proplist_sets(properties.get(), PA_PROP_MEDIA_NAME, name);
    return pa_stream_new_with_proplist(context, name, &sampleSpec, &channels, properties.get());
}

bool Ended(pa_stream* stream) {
    const pa_stream_state_t state = pa_stream_get_state(stream);
    return state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED;
}

}  // namespace

// Everything here but the constructor and the destructor runs on the main loop's thread,
// which holds the loop's lock while it calls back.
struct PulsePlaythrough::Forwarder {
    PulsePlaythrough& owner;
    PulseContextHandle context;
    pa_mainloop_api* api = nullptr;
    pa_time_event* timingDue = nullptr;  // asks for the output's timing every kTimingUsec
    StreamHandle record;
    StreamHandle playback;
    pa_sample_spec sampleSpec{};
    PlaythroughTarget inHand;
    pa_usec_t windowStart = 0;
    pa_usec_t leastQueued = 0;  // in the output, since windowStart
    pa_usec_t settledAt = 0;    // 0 until the output plays
    size_t skip = 0;            // bytes of the microphone still to be skipped
    pa_usec_t followedAt = 0;   // when the drift was last followed
    std::optional<DriftFollower> drift;
    PlayedPosition readAt;
    std::vector<std::int16_t> played;
    // A loopback in the server carries the voice where one can be had (PipeWire's in its
    // graph, else PulseAudio's module); the server shows its playback stream, whose volume
    // and output are set like the pair's.
    std::unique_ptr<PipeWireLoopback> graphLoopback;
    std::unique_ptr<GuardedLoopback> serverLoopback;
    pa_io_event* guardEnded = nullptr;
    QByteArray loopbackNode;
    std::uint32_t loopbackInput = PA_INVALID_INDEX;
    QByteArray loopbackSink;  // where it was last sent
    pa_time_event* loopbackDue = nullptr;
    Forwarder(PulsePlaythrough& playthrough, pa_threaded_mainloop* loop,
              const QByteArray& applicationName)
        : owner(playthrough), api(pa_threaded_mainloop_get_api(loop)) {
        context.reset(pa_context_new(api, applicationName.constData()));
        if (!context) {
            End();
            return;
        }
        pa_context_set_state_callback(context.get(), &Forwarder::OnContextState, this);
        if (pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0) End();
    }

    // Once the loop has stopped: the connection's end takes both streams in the server.
    ~Forwarder() {
        if (timingDue) api->time_free(timingDue);
        if (loopbackDue) api->time_free(loopbackDue);
        if (guardEnded) api->io_free(guardEnded);
        for (pa_stream* stream : {record.get(), playback.get()}) {
            if (!stream) continue;
            pa_stream_set_state_callback(stream, nullptr, nullptr);
            pa_stream_set_read_callback(stream, nullptr, nullptr);
        }
        if (!context) return;
        pa_context_set_state_callback(context.get(), nullptr, nullptr);
        pa_context_set_subscribe_callback(context.get(), nullptr, nullptr);
        pa_context_disconnect(context.get());
    }

    void End() {
        if (owner.ended_.exchange(true)) return;
        owner.sinkInput_ = PA_INVALID_INDEX;
        QMetaObject::invokeMethod(owner.receiver_, owner.onEnded_, Qt::QueuedConnection);
    }

    static void OnContextState(pa_context* context, void* self) {
        auto* forwarder = static_cast<Forwarder*>(self);
        switch (pa_context_get_state(context)) {
            case PA_CONTEXT_READY: {
                RaiseToRealtime();
                const PulseOperation operation(
                    pa_context_get_server_info(context, &Forwarder::OnServerInfo, self));
                if (!operation) forwarder->Connect();
                return;
            }
            case PA_CONTEXT_FAILED:
            case PA_CONTEXT_TERMINATED:
                return forwarder->End();
            default:
                return;
        }
    }

    static void OnServerInfo(pa_context*, const pa_server_info* info, void* self) {
        auto* forwarder = static_cast<Forwarder*>(self);
        const bool pipeWire =
            info && info->server_name && std::strstr(info->server_name, "PipeWire");
        const int channels = forwarder->owner.streams_.channels;
        const bool started =
            channels >= 1 && channels <= 2 &&
            (pipeWire ? forwarder->StartGraphLoopback() : forwarder->StartServerLoopback());
        if (!started) forwarder->Connect();
    }

    LoopbackEnds Ends() const {
        const Streams& streams = owner.streams_;
        return {streams.source, streams.sink, streams.channels, kCaptureName, kPlaybackName};
    }

    bool StartGraphLoopback() {
        graphLoopback = PipeWireLoopback::Start(Ends(), [this] { End(); });
        if (!graphLoopback) return false;
        WatchLoopback(graphLoopback->playbackNode());
        return true;
    }

    bool StartServerLoopback() {
        const QByteArray node = UniqueLoopbackNode();
        serverLoopback = GuardedLoopback::Start(ServerLoopbackArguments(Ends(), node));
        if (!serverLoopback) return false;
        guardEnded = api->io_new(api, serverLoopback->endedFd(), PA_IO_EVENT_INPUT,
                                 &Forwarder::OnGuardEnded, this);
        WatchLoopback(node);
        return true;
    }

    bool Looping() const { return graphLoopback || serverLoopback; }

    // Looks out for the loopback's playback stream by its node name.
    void WatchLoopback(const QByteArray& node) {
        loopbackNode = node;
        loopbackSink = owner.streams_.sink;
        pa_context_set_subscribe_callback(context.get(), &Forwarder::OnServerChange, this);
        const PulseOperation subscribe(
            pa_context_subscribe(context.get(), PA_SUBSCRIPTION_MASK_SINK_INPUT, nullptr, nullptr));
        const PulseOperation list(
            pa_context_get_sink_input_info_list(context.get(), &Forwarder::OnSinkInput, this));
        loopbackDue = pa_context_rttime_new(context.get(), pa_rtclock_now() + kLoopbackShownUsec,
                                            &Forwarder::OnLoopbackDue, this);
    }

    // The guard ends when the module would not load (the pair plays instead) or went with
    // its microphone or the server.
    static void OnGuardEnded(pa_mainloop_api* api, pa_io_event* event, int, pa_io_event_flags_t,
                             void* self) {
        auto* forwarder = static_cast<Forwarder*>(self);
        api->io_free(event);
        forwarder->guardEnded = nullptr;
        if (forwarder->loopbackInput != PA_INVALID_INDEX) return forwarder->End();
        forwarder->PlayPairInstead();
    }

    static void OnServerChange(pa_context* context, pa_subscription_event_type_t event,
                               std::uint32_t index, void* self) {
        auto* forwarder = static_cast<Forwarder*>(self);
        const auto type = event & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        if (type == PA_SUBSCRIPTION_EVENT_REMOVE && index == forwarder->loopbackInput)
            return forwarder->End();
        if (type != PA_SUBSCRIPTION_EVENT_NEW) return;
        const PulseOperation operation(
            pa_context_get_sink_input_info(context, index, &Forwarder::OnSinkInput, self));
    }

    static void OnSinkInput(pa_context*, const pa_sink_input_info* info, int, void* self) {
        auto* forwarder = static_cast<Forwarder*>(self);
        if (!info || !forwarder->Looping() || forwarder->loopbackInput != PA_INVALID_INDEX) return;
        const char* node = pa_proplist_gets(info->proplist, "node.name");
        if (!node || forwarder->loopbackNode != node) return;
        forwarder->loopbackInput = info->index;
        forwarder->owner.sinkInput_ = info->index;
        forwarder->ApplyVolume();
        forwarder->FollowSink();
    }

    static void OnLoopbackDue(pa_mainloop_api* api, pa_time_event* event, const timeval*,
                              void* self) {
        auto* forwarder = static_cast<Forwarder*>(self);
        api->time_free(event);
        forwarder->loopbackDue = nullptr;
        if (forwarder->loopbackInput == PA_INVALID_INDEX) forwarder->PlayPairInstead();
    }

    void PlayPairInstead() {
        if (!Looping()) return;
        if (guardEnded) api->io_free(guardEnded);
        guardEnded = nullptr;
        graphLoopback.reset();
        serverLoopback.reset();
        Connect();
    }

    void Connect() {
        const Streams& streams = owner.streams_;
        sampleSpec = {PA_SAMPLE_S16LE, static_cast<std::uint32_t>(streams.rate),
                      static_cast<std::uint8_t>(streams.channels)};
        pa_channel_map map;
        drift.emplace(sampleSpec.channels);
        if (!pa_sample_spec_valid(&sampleSpec) ||
            !pa_channel_map_init_auto(&map, sampleSpec.channels, PA_CHANNEL_MAP_DEFAULT))
            return End();
        record.reset(NewStream(context.get(), kCaptureName, sampleSpec, map));
        playback.reset(NewStream(context.get(), kPlaybackName, sampleSpec, map));
        if (!record || !playback) return End();

        const auto timing = PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE;
        const pa_buffer_attr playbackBuffer = PlaybackBuffer();
        pa_stream_set_state_callback(playback.get(), &Forwarder::OnPlaybackState, this);
        pa_stream_set_underflow_callback(playback.get(), &Forwarder::OnUnderflow, this);
        pa_stream_connect_playback(playback.get(), streams.sink.constData(), &playbackBuffer,
                                   static_cast<pa_stream_flags_t>(timing), &streams.volume,
                                   nullptr);

        const auto unset = static_cast<std::uint32_t>(-1);
        pa_buffer_attr recordBuffer{unset, unset, unset, unset, Bytes(kFragmentUsec)};
        pa_stream_set_state_callback(record.get(), &Forwarder::OnRecordState, this);
        pa_stream_set_read_callback(record.get(), &Forwarder::OnRead, this);
        // The microphone, or nothing: a record stream the server moved elsewhere when the
        // microphone goes would play the output back into itself.
        pa_stream_connect_record(record.get(), streams.source.constData(), &recordBuffer,
                                 static_cast<pa_stream_flags_t>(timing | PA_STREAM_DONT_MOVE));
    }

    std::uint32_t Bytes(pa_usec_t usec) const {
        return static_cast<std::uint32_t>(pa_usec_to_bytes(usec, &sampleSpec));
    }

    // The output device is asked for the least delay; the target stands ahead of it.
    pa_buffer_attr PlaybackBuffer() const {
        const auto unset = static_cast<std::uint32_t>(-1);
        return {unset, Bytes(2 * kFragmentUsec), Bytes(kFragmentUsec), Bytes(kFragmentUsec), unset};
    }

    // Running dry, the output waits for what comes next anyway; it is given the whole
    // target of silence ahead of that, so that the late moment costs one break and the
    // next one like it none. What it holds is asked afresh: a guess made before it ran dry
    // says it holds what it played.
    static void OnUnderflow(pa_stream* stream, void* self) {
        auto* forwarder = static_cast<Forwarder*>(self);
        if (!forwarder->Settling()) forwarder->inHand.RanDry(pa_rtclock_now());
        forwarder->readAt.Forget();
        const PulseOperation operation(
            pa_stream_update_timing_info(stream, &Forwarder::OnTimingAfterUnderflow, self));
    }

    static void OnTimingAfterUnderflow(pa_stream*, int, void* self) {
        static_cast<Forwarder*>(self)->FillToTarget();
    }

    static void OnTimingDue(pa_mainloop_api*, pa_time_event* event, const timeval*, void* self) {
        auto* forwarder = static_cast<Forwarder*>(self);
        const PulseOperation operation(
            pa_stream_update_timing_info(forwarder->playback.get(), nullptr, nullptr));
        pa_context_rttime_restart(forwarder->context.get(), event, pa_rtclock_now() + kTimingUsec);
    }

    // What waits in the output stream, beyond the device's own delay; 0 until the first
    // timing report. The client library's own guess between reports runs away on PipeWire
    // right after the graph changes (7 to 50 ms within a second while the reports said 5 to
    // 10), so what the output has read is worked out here from the reports themselves.
    pa_usec_t Queued() {
        const pa_timing_info* timing = pa_stream_get_timing_info(playback.get());
        if (!timing || timing->write_index_corrupt || timing->read_index_corrupt) return 0;
        readAt.Report(pa_timeval_load(&timing->timestamp), timing->read_index, timing->playing);
        timeval now;
        const std::optional<std::int64_t> read = readAt.At(pa_timeval_load(pa_gettimeofday(&now)),
                                                           pa_bytes_per_second(&sampleSpec) / 1e6);
        if (!read || timing->write_index <= *read) return 0;
        return pa_bytes_to_usec(static_cast<std::uint64_t>(timing->write_index - *read),
                                &sampleSpec);
    }

    pa_usec_t FirstTarget() const {
        const pa_buffer_attr* granted = pa_stream_get_buffer_attr(playback.get());
        const pa_usec_t portion =
            granted ? pa_bytes_to_usec(granted->minreq, &sampleSpec) : kFragmentUsec;
        return std::max(PlaythroughTarget::kFirstUsec, portion + kFragmentUsec + kMarginUsec);
    }

    void FillToTarget() {
        const pa_usec_t queued = Queued();
        const pa_usec_t target = inHand.usec();
        if (queued >= target) return;
        const std::vector<std::uint8_t> silence(Bytes(target - queued), 0);
        if (silence.empty()) return;
        pa_stream_write(playback.get(), silence.data(), silence.size(), nullptr, 0,
                        PA_SEEK_RELATIVE);
    }

    static void OnRecordState(pa_stream* stream, void* self) {
        if (Ended(stream)) static_cast<Forwarder*>(self)->End();
    }

    static void OnPlaybackState(pa_stream* stream, void* self) {
        auto* forwarder = static_cast<Forwarder*>(self);
        if (Ended(stream)) return forwarder->End();
        if (pa_stream_get_state(stream) != PA_STREAM_READY) return;
        forwarder->owner.sinkInput_ = pa_stream_get_index(stream);
        forwarder->inHand = PlaythroughTarget(forwarder->FirstTarget());
        forwarder->FillToTarget();
        if (!forwarder->timingDue)
            forwarder->timingDue =
                pa_context_rttime_new(forwarder->context.get(), pa_rtclock_now() + kTimingUsec,
                                      &Forwarder::OnTimingDue, forwarder);
        // What changed while the streams were being made applies now.
        forwarder->ApplyVolume();
        forwarder->FollowSink();
    }

    bool Playing() const {
        return playback && pa_stream_get_state(playback.get()) == PA_STREAM_READY;
    }

    std::uint32_t SinkInput() const {
        if (Looping()) return loopbackInput;
        return Playing() ? pa_stream_get_index(playback.get()) : PA_INVALID_INDEX;
    }

    void ApplyVolume() {
        if (SinkInput() == PA_INVALID_INDEX) return;
        const PulseOperation operation(pa_context_set_sink_input_volume(
            context.get(), SinkInput(), &owner.streams_.volume, nullptr, nullptr));
    }

    void FollowSink() {
        if (SinkInput() == PA_INVALID_INDEX || owner.streams_.sink.isEmpty()) return;
        const char* now =
            Looping() ? loopbackSink.constData() : pa_stream_get_device_name(playback.get());
        if (now && owner.streams_.sink == now) return;
        loopbackSink = owner.streams_.sink;
        const PulseOperation operation(pa_context_move_sink_input_by_name(
            context.get(), SinkInput(), owner.streams_.sink.constData(), nullptr, nullptr));
    }

    static void OnRead(pa_stream*, size_t, void* self) { static_cast<Forwarder*>(self)->Forward(); }

    void Forward() {
        while (pa_stream_readable_size(record.get()) > 0) {
            const void* data = nullptr;
            size_t bytes = 0;
            if (pa_stream_peek(record.get(), &data, &bytes) < 0 || bytes == 0) return;
            const size_t skipped = std::min(bytes, skip);
            skip -= skipped;
            if (Playing() && skipped < bytes) {
                played.clear();
                if (data)
                    drift->Play(reinterpret_cast<const std::int16_t*>(
                                    static_cast<const std::uint8_t*>(data) + skipped),
                                (bytes - skipped) / pa_frame_size(&sampleSpec), played);
                else
                    played.assign((bytes - skipped) / sizeof(std::int16_t), 0);  // a hole
                pa_stream_write(playback.get(), played.data(), played.size() * sizeof(std::int16_t),
                                nullptr, 0, PA_SEEK_RELATIVE);
            }
            pa_stream_drop(record.get());
        }
        if (Playing()) KeepShort();
    }

    // An output that stalled holds everything it was given meanwhile, which skipping what
    // comes next would never shorten: it is emptied and given the target of silence.
    void Empty() {
        skip = 0;
        const PulseOperation flush(pa_stream_flush(playback.get(), nullptr, nullptr));
        readAt.Forget();
        FillToTarget();
    }

    bool Settling() const { return settledAt == 0 || pa_rtclock_now() < settledAt; }

    // Decides what to skip: what has stood beyond the target all through a window, or
    // after a stall everything beyond it.
    void KeepShort() {
        const pa_usec_t now = pa_rtclock_now();
        const pa_usec_t target = inHand.usec();
        if (settledAt == 0) settledAt = now + kSettleUsec;
        const pa_usec_t stall = now < settledAt ? kSettleSlackUsec : kStallUsec;
        // What is to be skipped already is as good as gone.
        const pa_usec_t skipping = pa_bytes_to_usec(skip, &sampleSpec);
        const pa_usec_t inHand = Queued();
        const pa_usec_t queued = inHand > skipping ? inHand - skipping : 0;
        if (!Settling() && followedAt != 0)
            drift->Follow(queued / 1e6, target / 1e6, (now - followedAt) / 1e6);
        followedAt = now;
        if (windowStart == 0 || queued > target + stall) {
            if (queued > target + stall && now < settledAt) skip += Bytes(queued - target);
            if (queued > target + stall && now >= settledAt) Empty();
            windowStart = now;
            leastQueued = queued;
            return;
        }
        leastQueued = std::min(leastQueued, queued);
        if (now - windowStart < kWindowUsec) return;
        if (leastQueued > target + kSlackUsec) skip += Bytes(leastQueued - target);
        windowStart = now;
        leastQueued = queued;
    }
};

PulsePlaythrough::PulsePlaythrough(const QByteArray& applicationName, const Streams& streams,
                                   QObject* receiver, std::function<void()> ended)
    : streams_(streams), receiver_(receiver), onEnded_(std::move(ended)) {
    mainloop_.reset(pa_threaded_mainloop_new());
    if (!mainloop_) {
        ended_ = true;
        return;
    }
    forwarder_ = std::make_unique<Forwarder>(*this, mainloop_.get(), applicationName);
    if (pa_threaded_mainloop_start(mainloop_.get()) < 0) ended_ = true;
}

PulsePlaythrough::~PulsePlaythrough() {
    if (mainloop_) pa_threaded_mainloop_stop(mainloop_.get());
    forwarder_.reset();
}

void PulsePlaythrough::SetVolume(const pa_cvolume& volume) {
    if (!mainloop_) return;
    pa_threaded_mainloop_lock(mainloop_.get());
    streams_.volume = volume;
    forwarder_->ApplyVolume();
    pa_threaded_mainloop_unlock(mainloop_.get());
}

void PulsePlaythrough::MoveTo(const QByteArray& sink) {
    if (!mainloop_) return;
    pa_threaded_mainloop_lock(mainloop_.get());
    streams_.sink = sink;
    forwarder_->FollowSink();
    pa_threaded_mainloop_unlock(mainloop_.get());
}
