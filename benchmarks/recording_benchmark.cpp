// Figures of the recording path on the sound server named by PULSE_SERVER (the private
// one of scripts/lib/sound_rig.sh), each beside its reference:
//   - CPU time per minute of recording, against gst-launch-1.0 pulsesrc ! wavenc !
//     filesink on the same source at the same time;
//   - the time from Run to the first captured sample in the file, against a bare
//     pulsesrc pipeline's first buffer;
//   - where a song started right after Run lands in the recording, against 100 ms.
// Usage: tarvelo_recording_benchmark [seconds of recording, default 30] [record probe,
// default the tests' tarvelo_record_probe of the same build]
#include <sys/resource.h>
#include <sys/wait.h>

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <thread>
#include <vector>

#include "capture/capture_system.h"
#include "capture/server_capture_graph.h"
#include "desktop/event_loop_wait.h"
#include "figures.h"
#include "gst/gst_handles.h"
#include "gst/wav_file_writer.h"
#include "pulse/sound_server.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr char kInput[] = "Speakers - output mix";
constexpr char kSource[] = "speakers.monitor";
constexpr int kRuns = 5;

double ChildCpuSeconds(pid_t pid) {
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return NAN;
    return CpuSecondsOf(usage);
}

pid_t Spawn(const std::vector<std::string>& arguments) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    freopen("/dev/null", "w", stdout);
    execvp(argv[0], argv.data());
    _exit(127);
}

struct SideBySideCpu {
    double ours;
    double reference;
};

// Both recorders run side by side on the same source for the same time.
SideBySideCpu RecordSideBySide(const std::string& probe, int seconds, const QTemporaryDir& folder) {
    const std::string ours = folder.filePath("ours.wav").toStdString();
    const std::string reference = folder.filePath("reference.wav").toStdString();
    const pid_t oursPid = Spawn({probe, ours, kInput, std::to_string(seconds)});
    const pid_t referencePid =
        Spawn({"gst-launch-1.0", "-q", "-e", "pulsesrc", std::string("device=") + kSource, "!",
               "wavenc", "!", "filesink", "location=" + reference});
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    kill(referencePid, SIGINT);
    return {ChildCpuSeconds(oursPid), ChildCpuSeconds(referencePid)};
}

// Per minute of recording: the difference between a long and a short run, so that
// neither process's start-up counts.
void CompareCpu(const std::string& probe, int seconds, const QTemporaryDir& folder) {
    const int shortSeconds = std::max(2, seconds / 4);
    const SideBySideCpu longRun = RecordSideBySide(probe, seconds, folder);
    const SideBySideCpu shortRun = RecordSideBySide(probe, shortSeconds, folder);
    const double perMinute = 60.0 / (seconds - shortSeconds);
    const double ours = (longRun.ours - shortRun.ours) * perMinute;
    const double reference = (longRun.reference - shortRun.reference) * perMinute;
    std::printf("CPU per minute of recording   %8.3f s   reference %8.3f s   ratio %5.2f\n", ours,
                reference, ours / reference);
    std::printf("  whole runs of %d s: ours %.3f s, reference %.3f s of CPU\n", seconds,
                longRun.ours, longRun.reference);
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

std::optional<Recording> Prepare(CaptureSystem& system, const QString& path) {
    Recording recording;
    std::shared_ptr<DeviceEnumerator> enumerator;
    std::shared_ptr<MonikerEnumerator> devices;
    std::shared_ptr<DeviceMoniker> device;
    std::shared_ptr<MediaFilter> wavDest;
    std::shared_ptr<FileSinkFilter> fileWriter;
    system.CreateDeviceEnumerator(&enumerator);
    if (enumerator->CreateClassEnumerator(&devices) != S_OK || devices->Next(&device) != S_OK ||
        FAILED(device->BindToObject(&recording.capture)))
        return std::nullopt;
    const std::shared_ptr<Pin> input = FindPin(*recording.capture, PinDirection::Input, kInput);
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

double ReferenceFirstBufferMs() {
    GstElementPtr pipeline(gst_parse_launch(
        (std::string("pulsesrc device=") + kSource + " ! fakesink name=sink").c_str(), nullptr));
    GstElementPtr sink(gst_bin_get_by_name(GST_BIN(pipeline.get()), "sink"));
    std::atomic<std::int64_t> first{0};
    g_object_set(sink.get(), "signal-handoffs", TRUE, nullptr);
    g_signal_connect(
        sink.get(), "handoff", G_CALLBACK(+[](GstElement*, GstBuffer*, GstPad*, gpointer data) {
            auto* stamp = static_cast<std::atomic<std::int64_t>*>(data);
            std::int64_t none = 0;
            stamp->compare_exchange_strong(none, Clock::now().time_since_epoch().count());
        }),
        &first);
    const auto start = Clock::now();
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    while (first == 0 && Clock::now() - start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    const Clock::time_point at{Clock::duration(first.load())};
    return std::chrono::duration<double, std::milli>(at - start).count();
}

// A 440 Hz song of two seconds, written with the program's own WAV writer.
QString MakeSong(const QTemporaryDir& folder) {
    const QString path = folder.filePath("song.wav");
    WavFileWriter writer;
    writer.Open(path.toStdString(), 48000, 2);
    std::vector<std::int16_t> samples(48000 * 2 * 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] =
            static_cast<std::int16_t>(16000 * std::sin(2 * M_PI * 440 * (i / 2) / 48000.0));
    writer.Append(samples.data(), samples.size() * 2);
    writer.Finish();
    return path;
}

struct SongInFile {
    double onsetMs = NAN;  // from the file's start to the song's first sound
    double keptMs = NAN;   // from the song's first sound to its last
};

SongInFile FindSong(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 80) return {};
    const int channels = bytes.at(58);
    const int rate = static_cast<unsigned char>(bytes.at(60)) |
                     static_cast<unsigned char>(bytes.at(61)) << 8 |
                     static_cast<unsigned char>(bytes.at(62)) << 16;
    const auto* samples = reinterpret_cast<const std::int16_t*>(bytes.constData() + 80);
    const qsizetype count = (bytes.size() - 80) / 2;
    qsizetype first = -1, last = -1;
    for (qsizetype i = 0; i < count; ++i) {
        if (std::abs(samples[i]) <= 300) continue;
        if (first < 0) first = i;
        last = i;
    }
    if (first < 0) return {};
    return {1000.0 * (first / channels) / rate, 1000.0 * ((last - first) / channels) / rate};
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);  // the player needs widgets, not a screen
    QApplication application(argc, argv);
    if (!std::getenv("PULSE_SERVER")) {
        std::fprintf(stderr, "%s: needs a sound server in PULSE_SERVER (scripts/benchmark)\n",
                     argv[0]);
        return 2;
    }
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    const std::string probe =
        argc > 2 ? argv[2]
                 : (QCoreApplication::applicationDirPath() + "/../tests/tarvelo_record_probe")
                       .toStdString();
    QTemporaryDir folder;
    SoundServer server("tarvelo-benchmark");
    const auto system = MakeCaptureSystem(server);
    if (!server.WaitUntilReady(3000)) return 1;
    const auto graphs = MakeGstMediaGraphs();

    CompareCpu(probe, seconds, folder);

    std::vector<double> firstSample, reference, onset, kept;
    const QString song = MakeSong(folder);
    for (int run = 0; run < kRuns; ++run) {
        // Alternating, so that neither pays more often for waking an idle output.
        if (run % 2 == 0) reference.push_back(ReferenceFirstBufferMs());
        const QString path = folder.filePath(QString("run%1.wav").arg(run));
        std::optional<Recording> recording = Prepare(*system, path);
        std::shared_ptr<GraphBuilder> player;
        std::shared_ptr<MediaControl> playerControl;
        graphs->CreateFilterGraph(player);
        if (!recording || FAILED(player->RenderFile(song))) return 1;
        player->QueryInterface(playerControl);
        const auto start = Clock::now();
        if (FAILED(recording->control->Run())) return 1;
        playerControl->Run();  // as Start does, right after the capture runs
        const auto* graph = dynamic_cast<ServerCaptureGraph*>(recording->graph.get());
        RunEventLoopFor(5000);  // the song, and the server's time to play it out
        firstSample.push_back(
            std::chrono::duration<double, std::milli>(graph->recording()->firstSampleTime() - start)
                .count());
        playerControl->Stop();
        recording->control->StopWhenReady();
        const SongInFile found = FindSong(path);
        onset.push_back(found.onsetMs);
        kept.push_back(found.keptMs);
        if (run % 2 == 1) reference.push_back(ReferenceFirstBufferMs());
    }
    std::printf("Run to first sample (median)  %8.1f ms  reference %8.1f ms  ratio %5.2f\n",
                Median(firstSample), Median(reference), Median(firstSample) / Median(reference));
    std::printf("Song onset in the file (med.) %8.1f ms  aim       %8.1f ms  ratio %5.2f\n",
                Median(onset), 100.0, Median(onset) / 100.0);
    std::printf("Song kept in the file (med.)  %8.1f ms  song      %8.1f ms  ratio %5.2f\n",
                Median(kept), 2000.0, Median(kept) / 2000.0);
    return 0;
}
