#include "pulse/pulse_playthrough.h"

#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/proplist.h>
#include <pulse/rtclock.h>

#include <vector>

#include "pulse/pulse_handles.h"
#include "pulse/pulse_log.h"

namespace {

// How far the singer's voice may lag behind the microphone on its way to the output. When
// a block of the microphone arrives, what is still queued of the ones before should be
// little (up to 20 ms); a queue that stays longer for half a second (after a slow moment
// of the UI thread, or from clock drift) loses a block, and one beyond 100 ms loses every
// block at once. So the delay settles at the least the microphone's blocks allow and
// never grows.
constexpr std::uint64_t kFragmentUsec = 5000;
constexpr std::uint64_t kNormalQueueUsec = 20000;
constexpr std::uint64_t kLongQueueUsec = 500000;
constexpr std::uint64_t kMaxQueueUsec = 100000;

pa_stream* NewStream(pa_context* context, const char* name, const pa_sample_spec& sampleSpec,
                     const pa_channel_map& channels) {
    const PulsePropertiesHandle properties(pa_proplist_new());
    pa_proplist_sets(properties.get(), PA_PROP_MEDIA_NAME, name);
    return pa_stream_new_with_proplist(context, name, &sampleSpec, &channels, properties.get());
}

// A stream that failed says why in the log; the mixer sees only that it has ended.
void LogFailure(pa_stream* stream, const char* which) {
    if (pa_stream_get_state(stream) != PA_STREAM_FAILED) return;
    qCWarning(pulseLog, "The playthrough's %s stream failed: %s", which,
              pa_strerror(pa_context_errno(pa_stream_get_context(stream))));
}

}  // namespace

void PulsePlaythrough::EndStream(pa_stream* stream) {
    pa_stream_set_read_callback(stream, nullptr, nullptr);
    // A stream the server is still creating cannot be disconnected yet; it would live on
    // in the server without an owner. It ends itself as soon as it is ready.
    if (pa_stream_get_state(stream) == PA_STREAM_CREATING) {
        pa_stream_set_state_callback(stream, &PulsePlaythrough::EndWhenSettled, nullptr);
        return;
    }
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
}

void PulsePlaythrough::EndWhenSettled(pa_stream* stream, void*) {
    if (pa_stream_get_state(stream) == PA_STREAM_CREATING) return;
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    if (pa_stream_get_state(stream) == PA_STREAM_READY) pa_stream_disconnect(stream);
    pa_stream_unref(stream);
}

PulsePlaythrough::PulsePlaythrough(pa_context* context, const QByteArray& sourceName, int rate,
                                   int channels, const pa_cvolume& volume)
    : context_(context), volume_(volume) {
    const pa_sample_spec sampleSpec{PA_SAMPLE_S16LE, static_cast<std::uint32_t>(rate),
                                    static_cast<std::uint8_t>(channels)};
    pa_channel_map map;
    if (!pa_sample_spec_valid(&sampleSpec) ||
        !pa_channel_map_init_auto(&map, sampleSpec.channels, PA_CHANNEL_MAP_DEFAULT))
        return;
    record_.reset(NewStream(context, "Microphone capture for playthrough", sampleSpec, map));
    playback_.reset(NewStream(context, "Microphone playthrough", sampleSpec, map));
    if (!record_ || !playback_) return;

    const auto fragment = static_cast<std::uint32_t>(pa_usec_to_bytes(kFragmentUsec, &sampleSpec));
    // The target length asks the output for a short latency of its own.
    const auto target = static_cast<std::uint32_t>(pa_usec_to_bytes(kNormalQueueUsec, &sampleSpec));
    pa_buffer_attr playbackBuffer{static_cast<std::uint32_t>(-1), target, fragment, fragment,
                                  static_cast<std::uint32_t>(-1)};
    pa_stream_set_state_callback(playback_.get(), &PulsePlaythrough::OnPlaybackState, this);
    pa_stream_connect_playback(
        playback_.get(), nullptr, &playbackBuffer,
        static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE |
                                       PA_STREAM_INTERPOLATE_TIMING),
        &volume_, nullptr);

    pa_buffer_attr recordBuffer{static_cast<std::uint32_t>(-1), static_cast<std::uint32_t>(-1),
                                static_cast<std::uint32_t>(-1), static_cast<std::uint32_t>(-1),
                                fragment};
    pa_stream_set_state_callback(record_.get(), &PulsePlaythrough::OnRecordState, this);
    pa_stream_set_read_callback(record_.get(), &PulsePlaythrough::OnRead, this);
    pa_stream_connect_record(record_.get(), sourceName.constData(), &recordBuffer,
                             static_cast<pa_stream_flags_t>(
                                 PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE |
                                 PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_INTERPOLATE_TIMING));
}

PulsePlaythrough::~PulsePlaythrough() = default;

void PulsePlaythrough::SetVolume(const pa_cvolume& volume) {
    volume_ = volume;
    if (sinkInput() == PA_INVALID_INDEX) return;  // applied when the stream is ready
    PulseOperation(
        pa_context_set_sink_input_volume(context_, sinkInput(), &volume_, nullptr, nullptr));
}

std::uint32_t PulsePlaythrough::sinkInput() const {
    if (!playback_ || pa_stream_get_state(playback_.get()) != PA_STREAM_READY)
        return PA_INVALID_INDEX;
    return pa_stream_get_index(playback_.get());
}

bool PulsePlaythrough::alive() const {
    auto running = [](pa_stream* stream) {
        if (!stream) return false;
        const pa_stream_state_t state = pa_stream_get_state(stream);
        return state != PA_STREAM_FAILED && state != PA_STREAM_TERMINATED;
    };
    return running(record_.get()) && running(playback_.get());
}

void PulsePlaythrough::OnRecordState(pa_stream* stream, void*) {
    LogFailure(stream, "record");
}

void PulsePlaythrough::OnPlaybackState(pa_stream* stream, void* self) {
    auto* playthrough = static_cast<PulsePlaythrough*>(self);
    LogFailure(stream, "playback");
    // A volume set while connecting is applied now.
    if (pa_stream_get_state(stream) == PA_STREAM_READY)
        playthrough->SetVolume(playthrough->volume_);
}

void PulsePlaythrough::OnRead(pa_stream*, size_t, void* self) {
    static_cast<PulsePlaythrough*>(self)->Forward();
}

void PulsePlaythrough::Forward() {
    const bool playing = pa_stream_get_state(playback_.get()) == PA_STREAM_READY;
    while (pa_stream_readable_size(record_.get()) > 0) {
        const void* data = nullptr;
        size_t bytes = 0;
        if (pa_stream_peek(record_.get(), &data, &bytes) < 0 || bytes == 0) return;
        if (playing && Takes()) {
            if (data) {
                pa_stream_write(playback_.get(), data, bytes, nullptr, 0, PA_SEEK_RELATIVE);
            } else {
                const std::vector<std::uint8_t> silence(bytes, 0);  // a hole in the capture
                pa_stream_write(playback_.get(), silence.data(), bytes, nullptr, 0,
                                PA_SEEK_RELATIVE);
            }
        }
        pa_stream_drop(record_.get());
    }
}

bool PulsePlaythrough::Takes() {
    const pa_usec_t queued = Queued(record_.get()) + Queued(playback_.get());
    if (queued > kMaxQueueUsec) return false;
    const pa_usec_t now = pa_rtclock_now();
    if (queued <= kNormalQueueUsec) {
        longSince_ = 0;
        return true;
    }
    if (longSince_ == 0) longSince_ = now;
    if (now - longSince_ < kLongQueueUsec) return true;
    longSince_ = 0;
    return false;
}

pa_usec_t PulsePlaythrough::Queued(pa_stream* stream) {
    pa_usec_t latency = 0;
    int negative = 0;
    const pa_timing_info* timing = pa_stream_get_timing_info(stream);
    // Until the first timing report nothing is queued yet. The devices' own delays are
    // not ours to bound.
    if (!timing || pa_stream_get_latency(stream, &latency, &negative) < 0 || negative) return 0;
    const pa_usec_t device = timing->sink_usec + timing->source_usec;
    return latency > device ? latency - device : 0;
}
