// What a karaoke song costs to play, beside the plain audio it comes with.
//
// Half a minute of song is played through playbin in real time to the sound server, with
// the video converted to the renderer's format as the program does and shown on the clock.
// The CPU time of each run is shown per minute of song and as a ratio to the plain audio
// file's. The program's own player window then plays the CD+G song as the user sees it, its
// picture drawn in its video window, beside VLC playing the same .cdg with the same .mp3 on
// the same display and sound server; VLC's figure also holds its process's start. Each
// figure is the median of a few runs taken in turn.
#include <gst/gst.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>
#include <cstdio>

#include "desktop/event_loop_wait.h"
#include "figures.h"
#include "gst/karaoke/karaoke_source.h"
#include "platform/platform.h"
#include "playback/player_window.h"
#include "printed_messages.h"
#include "reference_players.h"

namespace {

constexpr int kSeconds = 30;
constexpr int kRuns = 3;

bool RunToEnd(GstElement* pipeline, int timeoutSeconds) {
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(
        bus, timeoutSeconds * GST_SECOND,
        static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ended = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (message) gst_message_unref(message);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    return ended;
}

bool Launch(const QString& description) {
    GstElement* pipeline = gst_parse_launch(description.toUtf8().constData(), nullptr);
    if (!pipeline) return false;
    const bool ended = RunToEnd(pipeline, 120);
    gst_object_unref(pipeline);
    return ended;
}

// CPU seconds to play the URI to its end; negative when it did not play.
double PlayCpuSeconds(const QString& uri) {
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    GstElement* video = gst_parse_bin_from_description(
        "videoconvert ! video/x-raw,format=BGRx ! fakesink sync=true", TRUE, nullptr);
    GstElement* audio = gst_parse_bin_from_description(
        "audioconvert ! audiopanorama method=simple ! volume ! pulsesink", TRUE, nullptr);
    g_object_set(playbin, "uri", uri.toUtf8().constData(), "video-sink", video, "audio-sink", audio,
                 nullptr);
    const double start = CpuSeconds();
    const bool ended = RunToEnd(playbin, 300);
    const double cpu = CpuSeconds() - start;
    gst_object_unref(playbin);
    return ended ? cpu : -1;
}

// CPU seconds of the program's player window playing the song to its end; negative when it
// did not play.
double PlayerWindowCpuSeconds(Platform& platform, const QString& path) {
    QWidget mainWindow;
    PlayerWindow player(platform, &mainWindow);
    player.SetMediaPath(path);
    const double start = CpuSeconds();
    if (!player.OpenMedia()) return -1;
    player.Run();
    const bool ended = RunEventLoopUntil([&] { return player.state() != PlayerState::Running; },
                                         (kSeconds + 30) * 1000);
    player.CloseMedia();
    const double cpu = CpuSeconds() - start;
    return ended ? cpu : -1;
}

// A CD+G stream of a minute: a page of text tiles redrawn in a second colour as it is
// sung, as karaoke discs do, and a new page every fifteen seconds.
QByteArray MinuteOfGraphics() {
    QByteArray stream;
    for (int packet = 0; packet < kSeconds * 300; ++packet) {
        QByteArray data(24, '\0');
        data[0] = 0x09;
        const int inPage = packet % 4500;
        if (inPage == 0) {
            data[1] = 1;  // memory preset
        } else if (inPage == 1) {
            data[1] = 30;  // colours
            for (int i = 4; i < 20; ++i) data[i] = static_cast<char>(i * 5 & 0x3F);
        } else if (packet % 3 == 0) {
            data[1] = 6;  // a tile of text
            data[4] = 0;
            data[5] = static_cast<char>(1 + (inPage > 2000));
            data[6] = static_cast<char>(1 + (packet / 48) % 16);
            data[7] = static_cast<char>(1 + packet % 48);
            for (int i = 8; i < 20; ++i) data[i] = static_cast<char>((packet * i) & 0x3F);
        } else {
            data[0] = 0;
        }
        stream += data;
    }
    return stream;
}

// The median, or negative when any run did not play.
double MedianOfPlayed(const std::vector<double>& runs) {
    return std::all_of(runs.begin(), runs.end(), [](double cpu) { return cpu >= 0; }) ? Median(runs)
                                                                                      : -1;
}

void Report(const char* what, double cpu, double reference) {
    if (cpu < 0) {
        std::printf("%-40s did not play\n", what);
        return;
    }
    std::printf("%-40s %8.0f ms CPU per minute   %6.2f%% of a core   %5.2fx the plain audio\n",
                what, cpu * 1e3 * 60 / kSeconds, 100 * cpu / kSeconds, cpu / reference);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);  // fonts for the lyrics video
    gst_init(&argc, &argv);
    RegisterKaraokeElements();
    QTemporaryDir folder;
    const QString mp3 = folder.filePath("song.mp3");
    const QString cdg = folder.filePath("song.cdg");
    const QString lrc = folder.filePath("words.lrc");
    const bool made = Launch(
        QStringLiteral(
            "audiotestsrc num-buffers=%1 samplesperbuffer=4410 ! "
            "audio/x-raw,rate=44100,channels=2 ! lamemp3enc ! xingmux ! filesink location=%2")
            .arg(kSeconds * 10)
            .arg(mp3));
    QFile graphics(cdg);
    QFile lyrics(lrc);
    QByteArray lines;
    for (int second = 0; second < kSeconds; second += 3) {
        lines += QStringLiteral("[00:%1.00]<00:%1.00>Line <00:%1.80>of <00:%2.60>words\n")
                     .arg(second, 2, 10, QChar('0'))
                     .arg(second + 1, 2, 10, QChar('0'))
                     .toUtf8();
    }
    if (!made || !graphics.open(QIODevice::WriteOnly) || graphics.write(MinuteOfGraphics()) < 0 ||
        !lyrics.open(QIODevice::WriteOnly) || lyrics.write(lines) < 0) {
        std::fprintf(stderr, "could not write the test song\n");
        return 1;
    }
    graphics.close();
    lyrics.close();
    QFile::copy(mp3, folder.filePath("words.mp3"));

    const PlayerAccount account;
    account.Lend(folder);
    const QString vlc = FindReferencePlayer("vlc");
    Platform platform;
    platform.mediaGraphs = MakeGstMediaGraphs();
    platform.messages = std::make_unique<PrintedMessages>();
    platform.menus = MakeQtPopupMenus();
    platform.makeTimers = MakeQtWindowTimers;
    std::vector<double> plainRuns, graphicsRuns, lyricsRuns, windowRuns, vlcRuns;
    for (int run = 0; run < kRuns; ++run) {
        plainRuns.push_back(PlayCpuSeconds(QUrl::fromLocalFile(mp3).toString()));
        graphicsRuns.push_back(PlayCpuSeconds(KaraokeUriFor(cdg)));
        lyricsRuns.push_back(PlayCpuSeconds(KaraokeUriFor(lrc)));
        windowRuns.push_back(PlayerWindowCpuSeconds(platform, cdg));
        if (!vlc.isEmpty())
            vlcRuns.push_back(PlayerCpuSeconds(
                account.Command(vlc, VlcPlayingToTheEnd({"--input-slave=" + mp3, cdg})), kSeconds));
    }
    const double plain = MedianOfPlayed(plainRuns);
    std::printf("median of %d runs; reference: the plain .mp3 played the same way\n", kRuns);
    Report("plain .mp3", plain, plain);
    Report("CD+G (.cdg with the same .mp3)", MedianOfPlayed(graphicsRuns), plain);
    Report("LRC lyrics (.lrc with the same .mp3)", MedianOfPlayed(lyricsRuns), plain);
    const double shown = MedianOfPlayed(windowRuns);
    Report("CD+G in the player window", shown, plain);
    if (vlc.isEmpty()) return 0;
    const double reference = MedianOfPlayed(vlcRuns);
    Report("VLC, the same .cdg and .mp3", reference, plain);
    if (shown >= 0 && reference > 0)
        std::printf("CD+G in the player window beside VLC: ratio %.2f, aim <= 1.00\n",
                    shown / reference);
    return 0;
}
