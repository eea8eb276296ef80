#include "gst/song_tap.h"

#include <gst/audio/audio.h>
#include <gst/gst.h>

#include <algorithm>
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

struct TapState {
    std::atomic<std::uint64_t> epoch{nextEpoch++};
};

// Where the output's clock stands against the steady clock: only while playing does the
// pipeline's base time hold, and the listener keeps the latest, once the clock runs. The
// output's clock is the server's playback position, so how far the block just handed to the
// output runs ahead of it is how long until that block is heard.
void ReportClock(GstPad* pad, SongListener& listener, std::uint64_t epoch,
                 GstClockTime blockRunning) {
    const GstElementPtr stage(gst_pad_get_parent_element(pad));
    if (!stage || GST_STATE(stage.get()) != GST_STATE_PLAYING) return;
    GstClock* clock = gst_element_get_clock(stage.get());
    if (!clock) return;
    const GstClockTime now = gst_clock_get_time(clock);
    const std::int64_t steady = SteadyNs();
    gst_object_unref(clock);
    const auto base = static_cast<std::int64_t>(gst_element_get_base_time(stage.get()));
    const auto heardRunning = static_cast<std::int64_t>(now) - base;
    const std::int64_t lead =
        blockRunning == GST_CLOCK_TIME_NONE
            ? -1
            : std::max<std::int64_t>(0, static_cast<std::int64_t>(blockRunning) - heardRunning);
    listener.OnSongClock({epoch, steady - heardRunning, steady, lead});
}

void Deliver(GstPad* pad, GstBuffer* buffer, TapState& state) {
    const std::uint64_t epoch = state.epoch;
    const GstCapsPtr caps(gst_pad_get_current_caps(pad));
    GstAudioInfo info;
    if (!caps || !gst_audio_info_from_caps(&info, caps.get())) return;
    lastRate = GST_AUDIO_INFO_RATE(&info);
    lastChannels = GST_AUDIO_INFO_CHANNELS(&info);
    // The file opening prerolls in another format; the song is played in floats.
    if (GST_AUDIO_INFO_FORMAT(&info) != GST_AUDIO_FORMAT_F32LE) return;
    std::lock_guard lock(listenerMutex);
    if (!currentListener) return;
    GstEvent* segmentEvent = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0);
    if (!segmentEvent) return;
    const GstSegment* segment = nullptr;
    gst_event_parse_segment(segmentEvent, &segment);
    const guint64 running =
        gst_segment_to_running_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
    gst_event_unref(segmentEvent);
    GstMapInfo map;
    if (running != GST_CLOCK_TIME_NONE && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        const std::size_t frameBytes = GST_AUDIO_INFO_BPF(&info);
        currentListener->OnSongBlock({reinterpret_cast<const float*>(map.data),
                                      map.size / frameBytes, GST_AUDIO_INFO_RATE(&info),
                                      GST_AUDIO_INFO_CHANNELS(&info),
                                      static_cast<std::int64_t>(running), epoch});
        gst_buffer_unmap(buffer, &map);
    }
    ReportClock(pad, *currentListener, epoch, running);
}

GstPadProbeReturn OnProbe(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto* state = static_cast<TapState*>(data);
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_FLUSH) {
        if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_FLUSH_STOP)
            state->epoch = nextEpoch++;
    } else if (GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info)) {
        Deliver(pad, buffer, *state);
    }
    return GST_PAD_PROBE_OK;
}

}  // namespace

void TapSongOutput(GstElement* stage) {
    const GstPadPtr pad(gst_element_get_static_pad(stage, "src"));
    if (!pad) return;
    gst_pad_add_probe(
        pad.get(), GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_FLUSH),
        &OnProbe, new TapState, [](gpointer state) { delete static_cast<TapState*>(state); });
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
