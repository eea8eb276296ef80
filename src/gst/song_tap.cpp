#include "gst/song_tap.h"

#include <gst/audio/audio.h>
#include <gst/gst.h>

#include <atomic>
#include <chrono>
#include <mutex>

#include "gst/gst_handles.h"
#include "gst/steady_time.h"

namespace {

std::mutex listenerMutex;
SongListener* currentListener = nullptr;
std::atomic<int> lastRate{0};
std::atomic<int> lastChannels{0};
// Running times restart with every flushing seek; each tapped pad's run of them is an
// epoch, numbered across all pipelines.
std::atomic<std::uint64_t> nextEpoch{1};
constexpr std::int64_t kClockReportPeriodNs = 20'000'000;

struct TapState {
    std::atomic<std::uint64_t> epoch{nextEpoch++};
    // The pad's format and segment, kept as their events pass: a block then needs no
    // parsing of its own. Only the streaming thread touches them.
    GstAudioInfo info{};
    bool hasInfo = false;
    GstSegment segment{};
    bool hasSegment = false;
    std::int64_t lastReportNs = 0;  // of the output clock's last reading
    // The song's audio output, found once it plays; kept only for its latency.
    std::mutex sinkMutex;
    GstElementPtr sink;
};

gint IsAudioOutput(gconstpointer value, gconstpointer) {
    return GST_IS_AUDIO_BASE_SINK(g_value_get_object(static_cast<const GValue*>(value))) ? 0 : 1;
}

GstElementPtr FindAudioOutput(GstElement* stage) {
    GstElementPtr top(GST_ELEMENT(gst_object_ref(stage)));
    while (GstObject* parent = gst_object_get_parent(GST_OBJECT(top.get())))
        top.reset(GST_ELEMENT(parent));
    if (!GST_IS_BIN(top.get())) return nullptr;
    GstIterator* elements = gst_bin_iterate_recurse(GST_BIN(top.get()));
    GValue found = G_VALUE_INIT;
    GstElementPtr sink;
    if (gst_iterator_find_custom(elements, &IsAudioOutput, &found, nullptr)) {
        sink.reset(GST_ELEMENT(g_value_dup_object(&found)));
        g_value_unset(&found);
    }
    gst_iterator_free(elements);
    return sink;
}

std::int64_t OutputLatencyNs(GstElement* stage, TapState& state) {
    std::lock_guard lock(state.sinkMutex);
    if (!state.sink) state.sink = FindAudioOutput(stage);
    if (!state.sink) return -1;
    GstAudioRingBuffer* ring = GST_AUDIO_BASE_SINK(state.sink.get())->ringbuffer;
    if (!ring || !gst_audio_ring_buffer_is_acquired(ring)) return -1;
    const int rate = GST_AUDIO_INFO_RATE(&ring->spec.info);
    if (rate <= 0) return -1;
    return static_cast<std::int64_t>(gst_audio_ring_buffer_delay(ring)) * GST_SECOND / rate;
}

// Where the output's clock stands against the steady clock: only while playing does the
// pipeline's base time hold, and the listener keeps the latest, once the clock runs.
void ReportClock(GstPad* pad, SongListener& listener, TapState& state) {
    // Each reading locks the output's connection to the server twice: a few a second
    // are averaged just as well.
    if (SteadyNs() - state.lastReportNs < kClockReportPeriodNs) return;
    const GstElementPtr stage(gst_pad_get_parent_element(pad));
    if (!stage || GST_STATE(stage.get()) != GST_STATE_PLAYING) return;
    GstClock* clock = gst_element_get_clock(stage.get());
    if (!clock) return;
    const GstClockTime now = gst_clock_get_time(clock);
    const std::int64_t steady = SteadyNs();
    state.lastReportNs = steady;
    gst_object_unref(clock);
    const auto base = static_cast<std::int64_t>(gst_element_get_base_time(stage.get()));
    listener.OnSongClock({state.epoch, base - static_cast<std::int64_t>(now) + steady, steady,
                          OutputLatencyNs(stage.get(), state)});
}

void Follow(GstEvent* event, TapState& state);

void Deliver(GstPad* pad, GstBuffer* buffer, TapState& state) {
    // A tap put on a pad that already carries a song missed its events.
    for (GstEventType missed : {GST_EVENT_CAPS, GST_EVENT_SEGMENT}) {
        if (missed == GST_EVENT_CAPS ? state.hasInfo : state.hasSegment) continue;
        if (GstEvent* event = gst_pad_get_sticky_event(pad, missed, 0)) {
            Follow(event, state);
            gst_event_unref(event);
        }
    }
    // The file opening prerolls in another format; the song is played in floats.
    if (!state.hasInfo || !state.hasSegment ||
        GST_AUDIO_INFO_FORMAT(&state.info) != GST_AUDIO_FORMAT_F32LE)
        return;
    const std::uint64_t epoch = state.epoch;
    std::lock_guard lock(listenerMutex);
    if (!currentListener) return;
    const guint64 running =
        gst_segment_to_running_time(&state.segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
    GstMapInfo map;
    if (running != GST_CLOCK_TIME_NONE && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        const std::size_t frameBytes = GST_AUDIO_INFO_BPF(&state.info);
        currentListener->OnSongBlock({reinterpret_cast<const float*>(map.data),
                                      map.size / frameBytes, GST_AUDIO_INFO_RATE(&state.info),
                                      GST_AUDIO_INFO_CHANNELS(&state.info),
                                      static_cast<std::int64_t>(running), epoch});
        gst_buffer_unmap(buffer, &map);
    }
    ReportClock(pad, *currentListener, state);
}

void Follow(GstEvent* event, TapState& state) {
    switch (GST_EVENT_TYPE(event)) {
        case GST_EVENT_FLUSH_STOP:
            state.epoch = nextEpoch++;
            break;
        case GST_EVENT_CAPS: {
            GstCaps* caps = nullptr;
            gst_event_parse_caps(event, &caps);
            state.hasInfo = gst_audio_info_from_caps(&state.info, caps);
            if (state.hasInfo) {
                lastRate = GST_AUDIO_INFO_RATE(&state.info);
                lastChannels = GST_AUDIO_INFO_CHANNELS(&state.info);
            }
            break;
        }
        case GST_EVENT_SEGMENT: {
            const GstSegment* segment = nullptr;
            gst_event_parse_segment(event, &segment);
            gst_segment_copy_into(segment, &state.segment);
            state.hasSegment = segment->format == GST_FORMAT_TIME;
            break;
        }
        default:
            break;
    }
}

GstPadProbeReturn OnProbe(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto* state = static_cast<TapState*>(data);
    if (GST_PAD_PROBE_INFO_TYPE(info) &
        (GST_PAD_PROBE_TYPE_EVENT_FLUSH | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM))
        Follow(GST_PAD_PROBE_INFO_EVENT(info), *state);
    else if (GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info))
        Deliver(pad, buffer, *state);
    return GST_PAD_PROBE_OK;
}

}  // namespace

void TapSongOutput(GstElement* stage) {
    const GstPadPtr pad(gst_element_get_static_pad(stage, "src"));
    if (!pad) return;
    gst_pad_add_probe(pad.get(),
                      GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_FLUSH |
                                      GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                      &OnProbe, new TapState,
                      [](gpointer state) { delete static_cast<TapState*>(state); });
}

void ListenToSong(SongListener* listener) {
    std::lock_guard lock(listenerMutex);
    currentListener = listener;
}

void StopListeningToSong(SongListener* listener) {
    std::lock_guard lock(listenerMutex);
    if (currentListener == listener) currentListener = nullptr;
}

SongFormat LastSongFormat() {
    return {lastRate.load(), lastChannels.load()};
}
