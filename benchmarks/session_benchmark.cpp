// What singing a song costs, the way the user does it: the main window opens the song,
// waits, and Start plays it while recording and while the microphone is heard through the
// speakers. The CPU of the program and of the sound server over the same stretch of the
// song, beside bare GStreamer in the same run: a player alone (playbin), and a player with
// a recorder of the output's mix and the microphone played through, which is Start's work
// done bare. For an MP3 and a 720p video, in turns; medians.
// Run it through scripts/benchmark: it needs the display and the private sound server,
// whose processes it finds in SOUND_RIG_SERVER_PID_LIST.
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

#include "app/main_dialog.h"
#include "core/settings_store.h"
#include "desktop/event_loop_wait.h"
#include "figures.h"
#include "generated_media.h"
#include "platform/platform.h"
#include "printed_messages.h"
#include "resources/resource_ids.h"

namespace {

constexpr int kTurns = 3;
constexpr int kSatOpenMs = 2000;
constexpr int kSettleMs = 1000;
constexpr int kMeasuredMs = 20'000;
constexpr int kSongSeconds = 30;

// The CPU a process has used so far, from /proc; NaN once it is gone.
double ProcessCpuSeconds(qint64 pid) {
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return NAN;
    const QByteArray line = stat.readAll();
    // The name in parentheses may hold spaces; the fields after it do not.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13) return NAN;
    return (fields[11].toDouble() + fields[12].toDouble()) / sysconf(_SC_CLK_TCK);
}

double ServerCpuSeconds() {
    double total = 0;
    for (const QByteArray& pid : qgetenv("SOUND_RIG_SERVER_PID_LIST").split(' '))
        if (!pid.isEmpty()) total += ProcessCpuSeconds(pid.toLongLong());
    return total;
}

struct Costs {
    double programPerMinute = NAN;
    double serverPerMinute = NAN;
};

// The CPU of a process and of the server while the event loop runs the measured stretch.
Costs MeasureStretch(qint64 pid) {
    const double program = ProcessCpuSeconds(pid), server = ServerCpuSeconds();
    RunEventLoopFor(kMeasuredMs);
    const double perMinute = 60'000.0 / kMeasuredMs;
    return {(ProcessCpuSeconds(pid) - program) * perMinute,
            (ServerCpuSeconds() - server) * perMinute};
}

// The open dialog answers with the song at once.
class ChosenFile final : public FileDialogs {
  public:
    explicit ChosenFile(QString path) : path_(std::move(path)) {}
    std::optional<QString> Open(QWidget*, const FileDialogRequest&) override { return path_; }
    std::optional<QString> Save(QWidget*, const FileDialogRequest&) override {
        return std::nullopt;
    }

  private:
    QString path_;
};

// The program on the desktop's own services, as a first run sets it up.
Costs MeasureProgram(const QString& song, bool hearMicrophone) {
    const auto platform = MakeDesktopPlatform("Tarvelo", "Tarvelo session benchmark");
    platform->fileDialogs = std::make_unique<ChosenFile>(song);
    platform->messages = std::make_unique<PrintedMessages>();
    SettingsStore settings(*platform->settings);
    settings.WriteInt(kOptionSection, kHearMicrophoneValue, hearMicrophone ? 1 : 0);
    MainDialog dialog(*platform, settings);
    Costs costs;
    // The user acts once the window is up; the start-up's own waits run timers before.
    QTimer user;
    user.callOnTimeout([&] {
        if (!dialog.isVisible()) return;
        user.stop();
        dialog.OnCommand(IDC_OPEN);
        RunEventLoopFor(kSatOpenMs);
        dialog.OnCommand(IDC_START);
        RunEventLoopFor(kSettleMs);
        costs = MeasureStretch(QCoreApplication::applicationPid());
        dialog.OnCommand(IDC_STOP);
        dialog.CloseOnRequest();
    });
    user.start(50);
    dialog.DoModal();
    return costs;
}

// Bare GStreamer: gst-launch-1.0 with the given pipeline, measured over the same stretch.
Costs MeasureGstLaunch(const QStringList& pipeline) {
    QProcess launch;
    launch.setStandardOutputFile(QProcess::nullDevice());
    launch.start("gst-launch-1.0", pipeline);
    if (!launch.waitForStarted(10'000)) return {};
    RunEventLoopFor(kSatOpenMs + kSettleMs);
    const Costs costs = MeasureStretch(launch.processId());
    launch.terminate();
    if (!launch.waitForFinished(10'000)) launch.kill();
    launch.waitForFinished(10'000);
    return costs;
}

QStringList Player(const QString& song) {
    return {"playbin", "uri=" + QUrl::fromLocalFile(song).toString(), "video-sink=ximagesink"};
}

// Start's work done bare: the song, the output's mix recorded, the microphone heard.
QStringList PlayerRecorderAndPlaythrough(const QString& song, const QString& wav) {
    return Player(song) + QProcess::splitCommand(
                              "pulsesrc device=speakers.monitor ! wavenc ! filesink location=" +
                              wav + " pulsesrc device=singer ! queue ! pulsesink device=speakers");
}

struct Song {
    const char* name;
    QString path;
    QString pipeline;
};

struct Column {
    std::vector<double> program, server;
    void Add(const Costs& costs) {
        program.push_back(costs.programPerMinute);
        server.push_back(costs.serverPerMinute);
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (qEnvironmentVariableIsEmpty("SOUND_RIG_SERVER_PID_LIST")) {
        std::fprintf(stderr, "run it through scripts/benchmark: no sound rig\n");
        return 1;
    }
    QTemporaryDir folder;
    // Settings and recordings of its own; the cache stays the user's (GStreamer's plugins).
    if (qEnvironmentVariableIsEmpty("XDG_CACHE_HOME"))
        qputenv("XDG_CACHE_HOME", qgetenv("HOME") + "/.cache");
    qputenv("HOME", folder.filePath("home").toUtf8());
    qputenv("XDG_CONFIG_HOME", folder.filePath("home/.config").toUtf8());
    QDir().mkpath(folder.filePath("home/Music"));

    const int seconds = kSongSeconds;
    const std::vector<Song> songs = {
        {"MP3", folder.filePath("song.mp3"),
         QString("audiotestsrc num-buffers=%1 samplesperbuffer=4800 ! "
                 "audio/x-raw,rate=48000,channels=2 ! lamemp3enc target=bitrate cbr=true "
                 "bitrate=192 ! filesink "
                 "location=%2")
             .arg(seconds * 10)
             .arg(folder.filePath("song.mp3"))},
        {"720p video", folder.filePath("clip.webm"),
         Video720pPipeline(folder.filePath("clip.webm"), seconds)},
    };
    std::printf("Generating a %d s MP3 and a %d s 720p video...\n", seconds, seconds);
    for (const Song& song : songs) {
        if (!MakeMedia(song.pipeline)) {
            std::fprintf(stderr, "could not generate the %s\n", song.name);
            return 1;
        }
    }
    const QString wav = folder.filePath("bare.wav");
    std::printf(
        "\nCPU per minute over %d s of the song, started %d s after Open; median of %d "
        "turns\n",
        kMeasuredMs / 1000, kSatOpenMs / 1000, kTurns);
    for (const Song& song : songs) {
        Column ours, quiet, player, bare;
        for (int turn = 0; turn < kTurns; ++turn) {
            ours.Add(MeasureProgram(song.path, true));
            quiet.Add(MeasureProgram(song.path, false));
            player.Add(MeasureGstLaunch(Player(song.path)));
            bare.Add(MeasureGstLaunch(PlayerRecorderAndPlaythrough(song.path, wav)));
        }
        const auto row = [&](const char* what, const Column& column) {
            std::printf("%-10s %-44s program %6.2f s   sound server %5.2f s\n", song.name, what,
                        Median(column.program), Median(column.server));
        };
        row("Tarvelo: Open, Start (records, mic heard)", ours);
        row("Tarvelo, the microphone not heard", quiet);
        row("gst-launch playbin", player);
        row("gst-launch playbin + recorder + playthrough", bare);
        std::printf(
            "%-10s ratio to the bare same work: program %.2f, sound server %.2f; "
            "reference playbin alone: sound server %.2f s\n",
            song.name, Median(ours.program) / Median(bare.program),
            Median(ours.server) / Median(bare.server), Median(player.server));
    }
    return 0;
}
