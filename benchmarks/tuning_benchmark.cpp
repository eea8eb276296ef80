// What the key, tempo and vocal cut stages cost, on the private sound server
// (scripts/benchmark):
//   - the CPU of ten seconds of song at key +2 and tempo 90 %, per minute of song, beside
//     the same file played plainly, three turns each in the same run (the aim is at most
//     1.5x);
//   - the time from a key change to the changed sound in the output's monitor (the aim is
//     under 100 ms), beside a mute at the volume stage next to it; it holds the monitor
//     capture's own delay too. The test server's null output hands its monitor the audio as
//     it takes it in, so a sound card's own buffer comes on top of both figures alike;
//   - the longest silence in the output around a change of tempo (the aim is under 50 ms).
#include <gst/app/gstappsink.h>

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <mutex>
#include <vector>

#include "desktop/event_loop_wait.h"
#include "figures.h"
#include "gst/gst_handles.h"
#include "gst/gst_playback_pipeline.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
constexpr int kSongSeconds = 90;
constexpr int kMeasuredSeconds = 10;
// Plain and tuned take turns, so that what else the machine does weighs on both alike.
constexpr int kRounds = 3;
constexpr int kRate = 48000;
constexpr int kChunk = kRate / 200;  // 5 ms
constexpr int kChanges = 6;

bool Launch(const QString& description) {
    QProcess launch;
    launch.start("gst-launch-1.0", QStringList{"-q"} + QProcess::splitCommand(description));
    return launch.waitForFinished(120'000) && launch.exitCode() == 0;
}

// CPU seconds per minute of song while the pipeline plays kMeasuredSeconds of it.
double CpuPerMinute(const QString& path, bool tuned) {
    GstPlaybackPipeline pipeline;
    if (!pipeline.open(path)) return -1;
    if (tuned) {
        pipeline.setKey(2);
        pipeline.setTempo(0.9);
    }
    const double start = CpuSeconds();
    pipeline.play();
    const bool played = RunEventLoopUntil(
        [&] { return pipeline.position() >= std::chrono::seconds(kMeasuredSeconds); },
        kMeasuredSeconds * 2 * 1000);
    const double cpu = CpuSeconds() - start;
    return played ? cpu * 60 / kMeasuredSeconds : -1;
}

// The output's monitor, in chunks of 5 ms as they arrive: each one's tone and loudness.
class MonitorWatch {
  public:
    struct Chunk {
        Clock::time_point arrived;
        double hz;
        double rms;
    };

    MonitorWatch() {
        pipeline_ = AdoptElement(gst_parse_launch(
            "pulsesrc device=speakers.monitor latency-time=5000 buffer-time=20000 ! "
            "audio/x-raw,format=S16LE,rate=48000,channels=1 ! appsink name=sink sync=false",
            nullptr));
        const GstElementPtr sink(gst_bin_get_by_name(GST_BIN(pipeline_.get()), "sink"));
        GstAppSinkCallbacks callbacks{};
        callbacks.new_sample = &MonitorWatch::OnSample;
        gst_app_sink_set_callbacks(GST_APP_SINK(sink.get()), &callbacks, this, nullptr);
        gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING);
    }
    ~MonitorWatch() { gst_element_set_state(pipeline_.get(), GST_STATE_NULL); }

    std::vector<Chunk> Since(Clock::time_point from) {
        std::lock_guard lock(mutex_);
        std::vector<Chunk> after;
        for (const Chunk& chunk : chunks_) {
            if (chunk.arrived >= from) after.push_back(chunk);
        }
        return after;
    }

  private:
    static GstFlowReturn OnSample(GstAppSink* sink, gpointer data) {
        auto* self = static_cast<MonitorWatch*>(data);
        const GstSamplePtr sample(gst_app_sink_pull_sample(sink));
        if (!sample) return GST_FLOW_EOS;
        GstMapInfo map;
        GstBuffer* buffer = gst_sample_get_buffer(sample.get());
        if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return GST_FLOW_OK;
        const auto* samples = reinterpret_cast<const std::int16_t*>(map.data);
        const Clock::time_point now = Clock::now();
        std::lock_guard lock(self->mutex_);
        self->pending_.insert(self->pending_.end(), samples, samples + map.size / 2);
        gst_buffer_unmap(buffer, &map);
        while (self->pending_.size() >= 2 * kChunk) {
            self->chunks_.push_back(Measure(self->pending_, now));
            self->pending_.erase(self->pending_.begin(), self->pending_.begin() + kChunk);
        }
        return GST_FLOW_OK;
    }
    // Tone over two chunks' worth, so that a few crossings are in it.
    static Chunk Measure(const std::vector<std::int16_t>& samples, Clock::time_point now) {
        double first = -1, last = -1, energy = 0;
        int crossings = 0;
        for (int i = 1; i < 2 * kChunk; ++i) {
            energy += samples[i] / 32768.0 * samples[i] / 32768.0;
            if (samples[i - 1] < 0 && samples[i] >= 0) {
                const double at = i - 1 + samples[i - 1] / double(samples[i - 1] - samples[i]);
                if (first < 0) first = at;
                last = at;
                ++crossings;
            }
        }
        const double hz = crossings < 2 ? 0 : (crossings - 1) * kRate / (last - first);
        return {now, hz, std::sqrt(energy / (2 * kChunk))};
    }

    GstElementPtr pipeline_;
    std::mutex mutex_;
    std::vector<std::int16_t> pending_;
    std::vector<Chunk> chunks_;
};

// Milliseconds from each change to the first chunk of the output that shows it; changes go
// back and forth.
std::vector<double> ChangeDelays(
    const QString& path, const std::function<void(GstPlaybackPipeline&, bool)>& change,
    const std::function<bool(const MonitorWatch::Chunk&, bool)>& shows) {
    GstPlaybackPipeline pipeline;
    MonitorWatch monitor;
    std::vector<double> delays;
    if (!pipeline.open(path) || !pipeline.play()) return delays;
    RunEventLoopFor(2500);
    for (int round = 0; round < kChanges; ++round) {
        const bool forth = round % 2 == 0;
        const Clock::time_point changed = Clock::now();
        change(pipeline, forth);
        RunEventLoopFor(800);
        for (const MonitorWatch::Chunk& chunk : monitor.Since(changed)) {
            if (shows(chunk, forth)) {
                delays.push_back(
                    std::chrono::duration<double, std::milli>(chunk.arrived - changed).count());
                break;
            }
        }
    }
    return delays;
}

std::vector<double> KeyChangeDelays(const QString& path) {
    return ChangeDelays(
        path, [](GstPlaybackPipeline& pipeline, bool up) { pipeline.setKey(up ? 2 : 0); },
        [](const MonitorWatch::Chunk& chunk, bool up) {
            const double hz = up ? 493.88 : 440;
            return std::abs(chunk.hz - hz) < hz * 0.01;
        });
}

// The reference: the volume stage, which stands next to the key stage before the output.
std::vector<double> MuteDelays(const QString& path) {
    return ChangeDelays(
        path, [](GstPlaybackPipeline& pipeline, bool mute) { pipeline.setVolume(mute ? 0 : 1); },
        [](const MonitorWatch::Chunk& chunk, bool mute) {
            return mute ? chunk.rms < 0.001 : chunk.rms > 0.1;
        });
}

// The longest quiet stretch in the output, in ms, within a second of each tempo change.
std::vector<double> TempoChangeGaps(const QString& path) {
    GstPlaybackPipeline pipeline;
    MonitorWatch monitor;
    std::vector<double> gaps;
    if (!pipeline.open(path) || !pipeline.play()) return gaps;
    RunEventLoopFor(2500);
    for (int change = 0; change < kChanges; ++change) {
        const Clock::time_point changed = Clock::now();
        pipeline.setTempo(change % 2 == 0 ? 0.9 : 1.0);
        RunEventLoopFor(1000);
        int run = 0, longest = 0;
        for (const MonitorWatch::Chunk& chunk : monitor.Since(changed)) {
            run = chunk.rms < 0.01 ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        gaps.push_back(longest * 5.0);
    }
    return gaps;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    gst_init(&argc, &argv);
    QTemporaryDir folder;
    const QString song = folder.filePath("tone.mp3");
    if (!Launch(QStringLiteral("audiotestsrc num-buffers=%1 samplesperbuffer=4410 freq=440 ! "
                               "audio/x-raw,rate=44100,channels=2 ! lamemp3enc ! xingmux ! "
                               "filesink location=%2")
                    .arg(kSongSeconds * 10)
                    .arg(song))) {
        std::fprintf(stderr, "could not write the test song\n");
        return 1;
    }
    std::vector<double> plain, tuned, ratios;
    for (int round = 0; round < kRounds; ++round) {
        plain.push_back(CpuPerMinute(song, false));
        tuned.push_back(CpuPerMinute(song, true));
        ratios.push_back(tuned.back() / plain.back());
    }
    std::printf(
        "reference: the same .mp3 played plainly, in turns in the same run (medians of %d)\n",
        kRounds);
    std::printf("%-36s %8.0f ms CPU per minute of song\n", "plain", Median(plain) * 1e3);
    std::printf("%-36s %8.0f ms CPU per minute of song   %5.2fx plain (aim: at most 1.5x)\n",
                "key +2, tempo 90 %", Median(tuned) * 1e3, Median(ratios));
    const std::vector<double> delays = KeyChangeDelays(song);
    const std::vector<double> mutes = MuteDelays(song);
    std::printf("reference: muting at the volume stage, in the same run\n");
    std::printf("mute to silence:             median %6.0f ms of %zu changes\n", Median(mutes),
                mutes.size());
    std::printf("key change to changed sound: median %6.0f ms of %zu changes (aim: under 100 ms)\n",
                Median(delays), delays.size());
    const std::vector<double> gaps = TempoChangeGaps(song);
    std::printf(
        "tempo change, longest silence: median %5.0f ms, worst %5.0f ms (aim: under 50 ms)\n",
        Median(gaps), gaps.empty() ? NAN : *std::max_element(gaps.begin(), gaps.end()));
    return 0;
}
