// Opens and plays a generated 720p video through the player engine and through a bare
// gst-launch-1.0 playbin on the same display and sound server, and prints both figures
// with their ratio: time from open to the first frame, and CPU time per minute played. VLC
// plays the same clip as a second reference for the CPU time; it tells nobody when its
// first frame is up, so it has no opening figure.
// Run it through scripts/benchmark, which provides the display and the sound server.

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "desktop/event_loop_wait.h"
#include "figures.h"
#include "generated_media.h"
#include "gst/video_renderer_widget.h"
#include "platform/platform.h"
#include "playback/player_window.h"
#include "playback/preview_window.h"
#include "printed_messages.h"
#include "reference_players.h"

namespace {

constexpr int kSeconds = 20;
constexpr int kRuns = 5;

struct Figures {
    double openMs = 0;
    double cpuPerMinute = 0;
};

// The engine as the program uses it: open, wait for the first frame on screen, play to the
// end.
std::optional<Figures> MeasureEngine(Platform& platform, const QString& path) {
    QWidget mainWindow;
    PlayerWindow player(platform, &mainWindow);
    player.SetMediaPath(path);
    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    QElapsedTimer clock;
    clock.start();
    if (!player.OpenMedia()) return std::nullopt;
    auto* renderer = player.videoWindow()->findChild<VideoRendererWidget*>();
    if (!renderer || !RunEventLoopUntil([&] { return !renderer->frame().isNull(); }, 10'000))
        return std::nullopt;
    renderer->repaint();
    Figures figures;
    figures.openMs = clock.nsecsElapsed() / 1e6;

    player.Run();
    RunEventLoopUntil([&] { return player.state() != PlayerState::Running; },
                      (kSeconds + 10) * 1000);
    player.CloseMedia();
    figures.cpuPerMinute = (CpuSeconds(RUSAGE_SELF) - cpuBefore) * 60.0 / kSeconds;
    return figures;
}

// The bare pipeline on the same display: the time between gst-launch's "Setting pipeline
// to PAUSED" and "Pipeline is PREROLLED", and the CPU time of the whole run to the end.
std::optional<Figures> MeasureGstLaunch(const QString& path) {
    const double cpuBefore = CpuSeconds(RUSAGE_CHILDREN);
    QProcess launch;
    launch.setProcessChannelMode(QProcess::MergedChannels);
    // Line-buffered, so each line arrives when it is printed. The X sink is named: the
    // automatic choice probes other sinks first and adds about two seconds on a virtual
    // display.
    launch.start("stdbuf", {"-oL", "gst-launch-1.0", "playbin", "uri=file://" + path,
                            "video-sink=ximagesink"});
    QElapsedTimer clock;
    QString output;
    double openMs = -1;
    while (launch.state() != QProcess::NotRunning || launch.bytesAvailable() > 0) {
        launch.waitForReadyRead(50);
        while (launch.canReadLine()) {
            const QString line = QString::fromUtf8(launch.readLine());
            if (line.contains("Setting pipeline to PAUSED")) clock.start();
            if (line.contains("Pipeline is PREROLLED") && clock.isValid())
                openMs = clock.nsecsElapsed() / 1e6;
        }
        if (launch.state() == QProcess::NotRunning && !launch.canReadLine()) break;
    }
    launch.waitForFinished(-1);
    if (openMs < 0) return std::nullopt;
    // Both CPU figures cover opening, playing and closing; this one also the process's start
    // and GStreamer's start-up, which the engine's figure leaves out.
    return Figures{openMs, (CpuSeconds(RUSAGE_CHILDREN) - cpuBefore) * 60.0 / kSeconds};
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QTemporaryDir folder;
    const QString path = folder.filePath("clip-720p.webm");
    std::printf("Generating a %d s 1280x720 VP8 clip with Vorbis audio...\n", kSeconds);
    if (!MakeMedia(Video720pPipeline(path, kSeconds))) {
        std::fprintf(stderr, "could not generate the clip\n");
        return 1;
    }
    Platform platform;
    platform.mediaGraphs = MakeGstMediaGraphs();
    platform.messages = std::make_unique<PrintedMessages>();
    platform.menus = MakeQtPopupMenus();
    platform.makeTimers = MakeQtWindowTimers;

    const PlayerAccount account;
    account.Lend(folder);
    const QString vlc = FindReferencePlayer("vlc");
    std::vector<double> engineOpen, engineCpu, bareOpen, bareCpu, vlcCpu;
    for (int run = 0; run < kRuns; ++run) {
        const auto engine = MeasureEngine(platform, path);
        const auto bare = MeasureGstLaunch(path);
        if (!engine || !bare) {
            std::fprintf(stderr, "run %d failed (engine %d, gst-launch %d)\n", run,
                         engine.has_value(), bare.has_value());
            return 1;
        }
        engineOpen.push_back(engine->openMs);
        engineCpu.push_back(engine->cpuPerMinute);
        bareOpen.push_back(bare->openMs);
        bareCpu.push_back(bare->cpuPerMinute);
        if (vlc.isEmpty()) continue;
        const double seconds =
            PlayerCpuSeconds(account.Command(vlc, VlcPlayingToTheEnd({path})), kSeconds);
        if (seconds < 0) {
            std::fprintf(stderr, "run %d failed (VLC)\n", run);
            return 1;
        }
        vlcCpu.push_back(seconds * 60.0 / kSeconds);
    }
    const double open = Median(engineOpen), openRef = Median(bareOpen);
    const double cpu = Median(engineCpu), cpuRef = Median(bareCpu);
    std::printf("\nmedian of %d runs            Tarvelo   gst-launch playbin   ratio   aim\n",
                kRuns);
    std::printf("open to first frame (ms)  %9.1f   %18.1f   %5.2f   <= 1.50\n", open, openRef,
                open / openRef);
    std::printf("CPU per minute played (s) %9.2f   %18.2f   %5.2f   <= 1.30\n", cpu, cpuRef,
                cpu / cpuRef);
    if (vlc.isEmpty()) return 0;
    const double cpuVlc = Median(vlcCpu);
    std::printf("CPU per minute played: Tarvelo %.2f s, reference VLC %.2f s (ratio %.2f)\n", cpu,
                cpuVlc, cpu / cpuVlc);
    return 0;
}
