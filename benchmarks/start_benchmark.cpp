// How promptly Start sets things moving, each figure beside a bare GStreamer pipeline
// measured in the same run on the private sound server (scripts/benchmark):
//   - Start to the song's first sound on the output, after the file sat open 0 and 5 s,
//     for a WAV, an MP3, a video and a CD+G song, against a bare playbin into pulsesink
//     opened and left paused just as long;
//   - Start to the first captured sample in the recording, against a bare pulsesrc on the
//     same source, each after the output has been idle alike;
//   - where the song lands in the recording when Start follows Open after 5 s (the aim is
//     150 ms).
// The first sound is heard through a capture of the output's monitor, whose own delay is
// in both figures alike.
#include <gst/app/gstappsink.h>

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "capture/capture_system.h"
#include "capture/server_capture_graph.h"
#include "desktop/event_loop_wait.h"
#include "figures.h"
#include "gst/gst_handles.h"
#include "pulse/sound_server.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr char kMonitor[] = "speakers.monitor";
constexpr char kInput[] = "Speakers - output mix";
constexpr int kRuns = 3;
constexpr int kSatOpenMs = 5000;
constexpr int kIdleMs = 3000;

double MsSince(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double, std::milli>(end - start).count();
}

bool Launch(const QString& description) {
    QProcess launch;
    launch.start("gst-launch-1.0", QStringList{"-q"} + QProcess::splitCommand(description));
    return launch.waitForFinished(120'000) && launch.exitCode() == 0;
}

// A pipeline of the first buffer's arrival: the first one louder than silence, or any.
class FirstBuffer {
  public:
    FirstBuffer(const QString& description, bool loud) : loud_(loud) {
        pipeline_.reset(gst_parse_launch(description.toUtf8().constData(), nullptr));
        const GstElementPtr sink(gst_bin_get_by_name(GST_BIN(pipeline_.get()), "sink"));
        GstAppSinkCallbacks callbacks{};
        callbacks.new_sample = &FirstBuffer::OnSample;
        gst_app_sink_set_callbacks(GST_APP_SINK(sink.get()), &callbacks, this, nullptr);
    }
    ~FirstBuffer() { gst_element_set_state(pipeline_.get(), GST_STATE_NULL); }
    GstElement* pipeline() const { return pipeline_.get(); }
    void Reset() { at_ = 0; }
    std::optional<Clock::time_point> Wait(int timeoutMs) const {
        if (!RunEventLoopUntil([this] { return at_ != 0; }, timeoutMs)) return std::nullopt;
        return Clock::time_point(Clock::duration(at_.load()));
    }

  private:
    static GstFlowReturn OnSample(GstAppSink* sink, gpointer data) {
        auto* self = static_cast<FirstBuffer*>(data);
        const GstSamplePtr sample(gst_app_sink_pull_sample(sink));
        GstMapInfo map;
        GstBuffer* buffer = sample ? gst_sample_get_buffer(sample.get()) : nullptr;
        if (!buffer || !gst_buffer_map(buffer, &map, GST_MAP_READ)) return GST_FLOW_OK;
        int peak = 0;
        const auto* samples = reinterpret_cast<const std::int16_t*>(map.data);
        for (gsize i = 0; i < map.size / 2; ++i) peak = std::max(peak, std::abs(int{samples[i]}));
        gst_buffer_unmap(buffer, &map);
        std::int64_t none = 0;
        if (!self->loud_ || peak > 1000)
            self->at_.compare_exchange_strong(none, Clock::now().time_since_epoch().count());
        return GST_FLOW_OK;
    }

    bool loud_;
    GstElementPtr pipeline_;
    std::atomic<std::int64_t> at_{0};
};

QString MonitorCapture(const char* source) {
    return QString("pulsesrc device=%1 ! audio/x-raw,format=S16LE ! appsink name=sink sync=false")
        .arg(source);
}

// Our graph: open, sit open, Start; the time to the first sound heard.
std::optional<double> OursToFirstSound(MediaGraphs& graphs, const QString& path, int satOpenMs,
                                       FirstBuffer& output) {
    std::shared_ptr<GraphBuilder> graph;
    std::shared_ptr<MediaControl> control;
    if (FAILED(graphs.CreateFilterGraph(graph)) || FAILED(graph->RenderFile(path)) ||
        FAILED(graph->QueryInterface(control)))
        return std::nullopt;
    RunEventLoopFor(satOpenMs);
    output.Reset();
    const Clock::time_point start = Clock::now();
    control->Run();
    const std::optional<Clock::time_point> heard = output.Wait(satOpenMs + 10'000);
    control->Stop();
    return heard ? std::optional(MsSince(start, *heard)) : std::nullopt;
}

// A bare playbin into pulsesink, prerolled and left paused just as long.
std::optional<double> PlaybinToFirstSound(const QString& path, int satOpenMs, FirstBuffer& output) {
    const GstElementPtr playbin = AdoptElement(gst_element_factory_make("playbin", nullptr));
    const GstElementPtr sink = AdoptElement(gst_element_factory_make("pulsesink", nullptr));
    const GstElementPtr video = AdoptElement(gst_element_factory_make("fakesink", nullptr));
    const QByteArray uri = QUrl::fromLocalFile(path).toEncoded();
    g_object_set(playbin.get(), "uri", uri.constData(), "audio-sink", sink.get(), "video-sink",
                 video.get(), nullptr);
    gst_element_set_state(playbin.get(), GST_STATE_PAUSED);
    if (gst_element_get_state(playbin.get(), nullptr, nullptr, 10 * GST_SECOND) ==
        GST_STATE_CHANGE_FAILURE)
        return std::nullopt;
    RunEventLoopFor(satOpenMs);
    output.Reset();
    const Clock::time_point start = Clock::now();
    gst_element_set_state(playbin.get(), GST_STATE_PLAYING);
    const std::optional<Clock::time_point> heard = output.Wait(satOpenMs + 10'000);
    gst_element_set_state(playbin.get(), GST_STATE_NULL);
    return heard ? std::optional(MsSince(start, *heard)) : std::nullopt;
}

struct Recording {
    std::shared_ptr<FilterGraph> graph;
    std::shared_ptr<CaptureControl> control;
    std::shared_ptr<MediaFilter> capture;
};

std::shared_ptr<Pin> FindPin(MediaFilter& filter, PinDirection wanted, const QString& name) {
    std::shared_ptr<PinEnumerator> pins;
    filter.EnumPins(&pins);
    std::shared_ptr<Pin> pin;
    while (pins && pins->Next(&pin) == S_OK) {
        PinDirection direction;
        QString pinName;
        pin->QueryDirection(&direction);
        pin->QueryPinInfo(&pinName);
        if (direction == wanted && (name.isEmpty() || pinName == name)) return pin;
    }
    return nullptr;
}

// The capture graph with its branch into path, as Start builds it.
std::optional<Recording> PrepareRecording(CaptureSystem& system, const QString& path) {
    Recording recording;
    std::shared_ptr<DeviceEnumerator> enumerator;
    std::shared_ptr<MonikerEnumerator> devices;
    std::shared_ptr<DeviceMoniker> device;
    std::shared_ptr<MediaFilter> wavDest;
    std::shared_ptr<FileSinkFilter> fileWriter;
    system.CreateDeviceEnumerator(&enumerator);
    if (enumerator->CreateClassEnumerator(&devices) != S_OK) return std::nullopt;
    // The output's mix, on whichever device has it: the song and microphone leads the list.
    std::shared_ptr<Pin> input;
    while (!input && devices->Next(&device) == S_OK) {
        if (SUCCEEDED(device->BindToObject(&recording.capture)))
            input = FindPin(*recording.capture, PinDirection::Input, kInput);
    }
    if (!input) return std::nullopt;
    input->QueryAudioInputMixer()->put_Enable(true);
    system.CreateFilterGraph(&recording.graph);
    system.CreateWavDest(&wavDest);
    system.CreateFileWriter(&fileWriter);
    recording.graph->AddFilter(recording.capture, "Audio Capture");
    recording.graph->AddFilter(wavDest, "WAV Dest");
    recording.graph->AddFilter(fileWriter, "File Writer");
    fileWriter->SetFileName(path);
    if (FAILED(recording.graph->Render(FindPin(*recording.capture, PinDirection::Output, {}))))
        return std::nullopt;
    recording.graph->QueryMediaControl(&recording.control);
    return recording;
}

std::optional<double> OursToFirstSample(CaptureSystem& system, const QString& path) {
    std::optional<Recording> recording = PrepareRecording(system, path);
    if (!recording) return std::nullopt;
    const Clock::time_point start = Clock::now();
    if (FAILED(recording->control->Run())) return std::nullopt;
    const auto* graph = dynamic_cast<ServerCaptureGraph*>(recording->graph.get());
    RunEventLoopUntil([&] { return graph->recording()->firstSampleTime() != Clock::time_point(); },
                      5000);
    const Clock::time_point first = graph->recording()->firstSampleTime();
    recording->control->Stop();
    if (first == Clock::time_point()) return std::nullopt;
    return MsSince(start, first);
}

std::optional<double> PulsesrcToFirstSample() {
    FirstBuffer capture(MonitorCapture(kMonitor), false);
    const Clock::time_point start = Clock::now();
    gst_element_set_state(capture.pipeline(), GST_STATE_PLAYING);
    const std::optional<Clock::time_point> first = capture.Wait(5000);
    return first ? std::optional(MsSince(start, *first)) : std::nullopt;
}

// Milliseconds from the file's start to the song: the first 10 ms as loud as the song's
// tone, so that a click or the microphone's noise in the mix does not count.
std::optional<double> OnsetIn(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 80) return std::nullopt;
    const int channels = bytes.at(58);
    const int rate = static_cast<unsigned char>(bytes.at(60)) |
                     static_cast<unsigned char>(bytes.at(61)) << 8 |
                     static_cast<unsigned char>(bytes.at(62)) << 16;
    const auto* samples = reinterpret_cast<const std::int16_t*>(bytes.constData() + 80);
    const qsizetype count = (bytes.size() - 80) / 2;
    const qsizetype window = std::max(1, channels * rate / 100);
    constexpr double kSongRms = 2000;  // the tone's is about 11000
    for (qsizetype start = 0; start + window <= count;
         start += std::max(1, channels * rate / 1000)) {
        double energy = 0;
        for (qsizetype i = start; i < start + window; ++i)
            energy += double(samples[i]) * samples[i];
        if (std::sqrt(energy / window) > kSongRms) return 1000.0 * (start / channels) / rate;
    }
    return std::nullopt;
}

// Open, sit open, then Start as the window does: the capture runs, then the song.
std::optional<double> SongOnsetInRecording(MediaGraphs& graphs, CaptureSystem& system,
                                           const QString& song, const QString& path) {
    std::shared_ptr<GraphBuilder> player;
    std::shared_ptr<MediaControl> control;
    if (FAILED(graphs.CreateFilterGraph(player)) || FAILED(player->RenderFile(song)) ||
        FAILED(player->QueryInterface(control)))
        return std::nullopt;
    RunEventLoopFor(kSatOpenMs);
    std::optional<Recording> recording = PrepareRecording(system, path);
    if (!recording || FAILED(recording->control->Run())) return std::nullopt;
    control->Run();
    // Long enough to hold the song even when it starts as late as it sat open.
    RunEventLoopFor(kSatOpenMs + 3500);
    control->Stop();
    recording->control->StopWhenReady();
    return OnsetIn(path);
}

void Row(const char* what, const std::vector<double>& ours, const std::vector<double>& reference,
         const char* referenceName) {
    const double a = Median(ours);
    const double b = Median(reference);
    std::printf("%-34s %9.1f   %9.1f  %-10s ratio %6.2f\n", what, a, b, referenceName, a / b);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);  // video needs widgets, not a screen
    QApplication application(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (!std::getenv("PULSE_SERVER")) {
        std::fprintf(stderr, "%s: needs a sound server in PULSE_SERVER (scripts/benchmark)\n",
                     argv[0]);
        return 2;
    }
    gst_init(&argc, &argv);
    QTemporaryDir folder;
    const auto file = [&](const char* name) { return folder.filePath(name); };
    const QString tone =
        "audiotestsrc num-buffers=130 samplesperbuffer=1024 freq=440 volume=0.5 ! "
        "audio/x-raw,rate=44100,channels=2 ! audioconvert ! ";
    if (!Launch(tone + "wavenc ! filesink location=" + file("song.wav")) ||
        !Launch(tone + "lamemp3enc ! xingmux ! filesink location=" + file("song.mp3")) ||
        !Launch(tone + "lamemp3enc ! xingmux ! filesink location=" + file("karaoke.mp3")) ||
        !Launch("videotestsrc num-buffers=75 ! video/x-raw,width=320,height=240,framerate=25/1 "
                "! theoraenc ! oggmux name=mux ! filesink location=" +
                file("clip.ogv") + " " + tone + "vorbisenc ! mux.")) {
        std::fprintf(stderr, "could not generate the media\n");
        return 1;
    }
    QFile graphics(file("karaoke.cdg"));
    if (!graphics.open(QIODevice::WriteOnly) || graphics.write(QByteArray(24 * 900, '\0')) < 0)
        return 1;
    graphics.close();

    SoundServer server("tarvelo-benchmark");
    if (!server.WaitUntilReady(3000)) return 1;
    const auto system = MakeCaptureSystem(server);
    const auto graphs = MakeGstMediaGraphs();

    std::printf("median of %d runs                    Tarvelo   reference\n", kRuns);
    {
        FirstBuffer output(MonitorCapture(kMonitor), true);
        gst_element_set_state(output.pipeline(), GST_STATE_PLAYING);
        for (int satOpen : {0, kSatOpenMs}) {
            for (const char* name : {"song.wav", "song.mp3", "clip.ogv", "karaoke.cdg"}) {
                std::vector<double> ours, reference;
                for (int run = 0; run < kRuns; ++run) {
                    const auto a = OursToFirstSound(*graphs, file(name), satOpen, output);
                    // The reference plays the audio that the song source would decode.
                    const QString bare =
                        QString(name) == "karaoke.cdg" ? file("karaoke.mp3") : file(name);
                    const auto b = PlaybinToFirstSound(bare, satOpen, output);
                    if (a) ours.push_back(*a);
                    if (b) reference.push_back(*b);
                }
                const QByteArray what = QString("Start to sound, %1, open %2 s (ms)")
                                            .arg(name)
                                            .arg(satOpen / 1000)
                                            .toUtf8();
                Row(what.constData(), ours, reference, "playbin");
            }
        }
    }

    std::vector<double> firstSample, reference, onset;
    for (int run = 0; run < kRuns; ++run) {
        RunEventLoopFor(kIdleMs);
        if (auto a = OursToFirstSample(*system, file("take.wav"))) firstSample.push_back(*a);
        RunEventLoopFor(kIdleMs);
        if (auto b = PulsesrcToFirstSample()) reference.push_back(*b);
        if (auto c = SongOnsetInRecording(*graphs, *system, file("song.mp3"), file("song.wav.rec")))
            onset.push_back(*c);
    }
    Row("Start to first captured sample (ms)", firstSample, reference, "pulsesrc");
    std::printf("%-34s %9.1f   %9.1f  %-10s ratio %6.2f\n", "Song onset in the recording (ms)",
                Median(onset), 150.0, "aim", Median(onset) / 150.0);
    return 0;
}
