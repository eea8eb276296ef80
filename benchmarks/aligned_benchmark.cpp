// The song and microphone against the output mix, on the sound server named by
// PULSE_SERVER (the private one of scripts/lib/sound_rig.sh), printed in one run:
//   - the alignment error of each route (median and worst of 10 clicks): a click song
//     plays, a loopback "singer" sings back what it hears (60 ms late), and the error is
//     how far the voice's click lies from the song's in the take. The song and microphone
//     input uses the offset its own Measure proposes; the output mix route hears the voice
//     through a 20 ms playthrough into the song's output, as a playthrough does;
//   - the latencies the server reported for the song's and the microphone's streams
//     during the take, lowest and highest;
//   - the CPU time per minute of recording from each route, the routes taking turns, and
//     their ratio (aim: 1.2 at most).
// Usage: tarvelo_aligned_benchmark [seconds of recording for the CPU, default 20]
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "capture/capture_system.h"
#include "capture/server_capture_graph.h"
#include "desktop/event_loop_wait.h"
#include "figures.h"
#include "gst/gst_playback_pipeline.h"
#include "gst/wav_file_writer.h"
#include "pulse/sound_server.h"

namespace {

constexpr int kRate = 48000;
constexpr int kSingerLatencyMs = 60;
constexpr int kPlaythroughLatencyMs = 20;
constexpr char kAlignedInput[] = "Song and microphone mix";
constexpr char kMixInput[] = "Speakers - output mix";
// Turns of each route for the CPU.
constexpr int kCpuRounds = 3;

std::vector<double> ClickTimes() {
    std::vector<double> times;
    for (int k = 0; k < 10; ++k) times.push_back(0.5 + k * 0.6);
    return times;
}

// Clicks (1 ms of 3 kHz), or a quiet 440 Hz tone when clicks is false.
QString WriteSong(const QString& path, double seconds, bool clicks) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(seconds * kRate) * 2, 0);
    if (clicks) {
        for (double at : ClickTimes()) {
            const auto first = static_cast<std::size_t>(at * kRate);
            for (std::size_t i = 0; i < kRate / 1000; ++i)
                samples[(first + i) * 2] = samples[(first + i) * 2 + 1] = static_cast<std::int16_t>(
                    26000 * std::sin(2 * M_PI * 3000.0 * double(i) / kRate));
        }
    } else {
        for (std::size_t i = 0; i < samples.size() / 2; ++i)
            samples[i * 2] = samples[i * 2 + 1] =
                static_cast<std::int16_t>(6000 * std::sin(2 * M_PI * 440.0 * double(i) / kRate));
    }
    WavFileWriter writer;
    writer.Open(path.toStdString(), kRate, 2);
    writer.Append(samples.data(), samples.size() * 2);
    writer.Finish();
    return path;
}

// The first channel of one of the program's WAV files (80-byte header).
std::vector<double> ReadChannel0(const QString& path, int channels) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    file.seek(80);
    const QByteArray data = file.readAll();
    std::vector<double> samples;
    for (qsizetype at = 0; at + 2 * channels <= data.size(); at += 2 * channels) {
        std::int16_t sample;
        std::memcpy(&sample, data.constData() + at, 2);
        samples.push_back(sample / 32768.0);
    }
    return samples;
}

// The first sample above level in [from, to) seconds, as seconds; NaN when none.
double Onset(const std::vector<double>& signal, double from, double to, double level) {
    for (auto i = static_cast<std::size_t>(std::max(0.0, from) * kRate);
         i < std::min(signal.size(), static_cast<std::size_t>(to * kRate)); ++i)
        if (std::abs(signal[i]) > level) return double(i) / kRate;
    return NAN;
}

int LoadModule(const QString& arguments) {
    QProcess pactl;
    pactl.start("pactl", QStringList{"load-module"} + QProcess::splitCommand(arguments));
    pactl.waitForFinished(5000);
    return pactl.readAllStandardOutput().trimmed().toInt();
}

void Pactl(const QStringList& arguments) {
    QProcess::execute("pactl", arguments);
}

struct Take {
    double cpuSeconds = 0;
    double minOutputMs = NAN, maxOutputMs = NAN, minCaptureMs = NAN, maxCaptureMs = NAN;
};

// Records input while song plays to its end, through the program's recording graph.
Take Record(CaptureSystem& capture, const QString& input, const QString& song,
            const QString& output) {
    Take take;
    std::shared_ptr<DeviceEnumerator> enumerator;
    std::shared_ptr<MonikerEnumerator> devices;
    std::shared_ptr<DeviceMoniker> device;
    std::shared_ptr<MediaFilter> filter;
    std::shared_ptr<Pin> pin;
    std::shared_ptr<Pin> outputPin;
    capture.CreateDeviceEnumerator(&enumerator);
    if (enumerator->CreateClassEnumerator(&devices) != S_OK) return take;
    while (!pin && devices->Next(&device) == S_OK) {
        device->BindToObject(&filter);
        std::shared_ptr<PinEnumerator> pins;
        filter->EnumPins(&pins);
        std::shared_ptr<Pin> each;
        while (pins->Next(&each) == S_OK) {
            PinDirection direction;
            QString name;
            each->QueryDirection(&direction);
            each->QueryPinInfo(&name);
            if (direction == PinDirection::Output) outputPin = each;
            if (direction == PinDirection::Input && name == input) pin = each;
        }
    }
    if (!pin) return take;
    pin->QueryAudioInputMixer()->put_Enable(true);
    std::shared_ptr<FilterGraph> graph;
    std::shared_ptr<MediaFilter> wavDest;
    std::shared_ptr<FileSinkFilter> writer;
    std::shared_ptr<CaptureControl> control;
    capture.CreateFilterGraph(&graph);
    capture.CreateWavDest(&wavDest);
    capture.CreateFileWriter(&writer);
    graph->AddFilter(filter, "Audio Capture");
    graph->AddFilter(wavDest, "WAV Dest");
    graph->AddFilter(writer, "File Writer");
    writer->SetFileName(output);
    GstPlaybackPipeline player;
    if (!player.open(song) || FAILED(graph->Render(outputPin)) ||
        FAILED(graph->QueryMediaControl(&control)))
        return take;
    bool ended = false;
    QObject::connect(&player, &GstPlaybackPipeline::endOfStream, [&ended] { ended = true; });
    const double cpuBefore = CpuSeconds();
    control->Run();
    player.play();
    const auto* recorded = dynamic_cast<ServerCaptureGraph&>(*graph).recording();
    std::vector<double> outputMs, captureMs;
    RunEventLoopUntil(
        [&] {
            if (recorded) {
                const StreamLatencies now = recorded->latencies();
                if (now.output.count() >= 0) outputMs.push_back(now.output.count() / 1e6);
                if (now.capture.count() >= 0) captureMs.push_back(now.capture.count() / 1e6);
            }
            return static_cast<bool>(ended);
        },
        600000);
    control->StopWhenReady();
    take.cpuSeconds = CpuSeconds() - cpuBefore;
    if (!outputMs.empty()) {
        take.minOutputMs = *std::min_element(outputMs.begin(), outputMs.end());
        take.maxOutputMs = *std::max_element(outputMs.begin(), outputMs.end());
    }
    if (!captureMs.empty()) {
        take.minCaptureMs = *std::min_element(captureMs.begin(), captureMs.end());
        take.maxCaptureMs = *std::max_element(captureMs.begin(), captureMs.end());
    }
    return take;
}

// Median and worst distance of each click's echo in the voice from the click. In the
// output mix the song's own clicks come first, wherever the song began in the file, and
// the voice follows each.
void PrintAlignment(const char* route, const std::vector<double>& voice, bool songInIt) {
    const double songStart = songInIt ? Onset(voice, 0, 2, 0.3) - ClickTimes().front() : 0;
    std::vector<double> errors;
    for (double click : ClickTimes()) {
        const double at = click + songStart;
        const double from = songInIt ? at + 0.005 : at - 0.3;
        errors.push_back(std::abs(Onset(voice, from, at + 0.4, 0.05) - at) * 1000);
    }
    std::printf("%-28s median %6.1f ms  worst %6.1f ms  (of %zu clicks)\n", route, Median(errors),
                *std::max_element(errors.begin(), errors.end()), errors.size());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (!std::getenv("PULSE_SERVER")) {
        std::fprintf(stderr, "needs the private sound server (scripts/benchmark)\n");
        return 1;
    }
    const int cpuSeconds = argc > 1 ? std::atoi(argv[1]) : 20;
    QTemporaryDir folder;
    SoundServer server("tarvelo-aligned-benchmark");
    const auto capture = MakeCaptureSystem(server);
    server.WaitUntilReady(3000);

    // The singer: the song's output looped back, late, into the program's microphone.
    const int air = LoadModule("module-null-sink sink_name=singer_air rate=48000");
    const int singer = LoadModule(QString("module-loopback source=speakers.monitor "
                                          "sink=singer_air latency_msec=%1 source_dont_move=true "
                                          "sink_dont_move=true")
                                      .arg(kSingerLatencyMs));
    const int microphone = LoadModule(
        "module-remap-source master=singer_air.monitor source_name=loop_mic "
        "source_properties=device.form_factor=microphone");
    Pactl({"set-default-source", "loop_mic"});
    RunEventLoopFor(1500);

    int offsetMs = 0;
    capture->MeasureVoiceOffset(&offsetMs);
    capture->SetVoiceTiming({offsetMs, true});
    const QString clicks = WriteSong(folder.filePath("clicks.wav"), 6.5, true);
    const Take aligned = Record(*capture, kAlignedInput, clicks, folder.filePath("aligned.wav"));
    std::printf("Alignment, singer %d ms late, Measure proposed %d ms:\n", kSingerLatencyMs,
                offsetMs);
    PrintAlignment("  song and microphone", ReadChannel0(folder.filePath("aligned (voice).wav"), 1),
                   false);

    // The classic route: the voice played through into the song's output, its mix recorded.
    // The singer hears its own voice there too: quieter, its echoes die out at once.
    Pactl({"set-source-volume", "loop_mic", "67%"});  // 0.3 of the amplitude
    const int playthrough = LoadModule(QString("module-loopback source=loop_mic sink=speakers "
                                               "latency_msec=%1 source_dont_move=true "
                                               "sink_dont_move=true")
                                           .arg(kPlaythroughLatencyMs));
    RunEventLoopFor(1000);
    Record(*capture, kMixInput, clicks, folder.filePath("mix.wav"));
    PrintAlignment("  output mix (reference)", ReadChannel0(folder.filePath("mix.wav"), 2), true);
    Pactl({"unload-module", QString::number(playthrough)});
    Pactl({"set-source-volume", "loop_mic", "100%"});
    std::printf(
        "Reported latencies during the take: output %.1f to %.1f ms, capture %.1f to "
        "%.1f ms\n",
        aligned.minOutputMs, aligned.maxOutputMs, aligned.minCaptureMs, aligned.maxCaptureMs);

    // The voice alone is not kept for the CPU: the output mix writes one file too.
    capture->SetVoiceTiming({offsetMs, false});
    // The routes take turns, so that whatever else the machine does weighs on both alike.
    const QString tone = WriteSong(folder.filePath("tone.wav"), cpuSeconds, false);
    std::vector<double> ours, references, ratios;
    for (int round = 0; round < kCpuRounds; ++round) {
        ours.push_back(
            Record(*capture, kAlignedInput, tone, folder.filePath("cpu-aligned.wav")).cpuSeconds);
        references.push_back(
            Record(*capture, kMixInput, tone, folder.filePath("cpu-mix.wav")).cpuSeconds);
        ratios.push_back(ours.back() / references.back());
    }
    std::printf(
        "CPU per minute of recording (song playing, median of %d turns): song and microphone "
        "%.2f s, output mix %.2f s (reference), ratio %.2f (aim <= 1.2; turns %.2f to %.2f)\n",
        kCpuRounds, Median(ours) * 60 / cpuSeconds, Median(references) * 60 / cpuSeconds,
        Median(ratios), *std::min_element(ratios.begin(), ratios.end()),
        *std::max_element(ratios.begin(), ratios.end()));

    Pactl({"set-default-source", "singer"});
    for (int module : {microphone, singer, air}) Pactl({"unload-module", QString::number(module)});
    return 0;
}
