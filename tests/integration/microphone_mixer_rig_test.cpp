#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSlider>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <functional>

#include "controls/release_slider.h"
#include "desktop/event_loop_wait.h"
#include "resources/resource_ids.h"
#include "support/main_dialog_fixture.h"
#include "support/rig_devices.h"

// The microphone mixer against the private sound server of the test run: a null sink
// "speakers" and a pipe source "singer" of microphone form factor that sings 660 Hz.
namespace {

QString Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString Pactl(const QStringList& arguments) {
    return Run("pactl", arguments);
}

// The singer's raw volume as the server reports it: "front-mono: 32767 /  50% / ...".
long SingerVolume() {
    const QRegularExpressionMatch match =
        QRegularExpression(":\\s*(\\d+)\\s*/").match(Pactl({"get-source-volume", "singer"}));
    return match.hasMatch() ? match.captured(1).toLong() : -1;
}

bool SingerMuted() {
    return Pactl({"get-source-mute", "singer"}).contains("yes");
}

bool PlaythroughRunning() {
    return Pactl({"list", "sink-inputs"}).contains("Microphone playthrough");
}

int Playthroughs() {
    return static_cast<int>(
        Pactl({"list", "sink-inputs"}).count("media.name = \"Microphone playthrough\""));
}

// What the playthrough's output holds and its device's delay together, in milliseconds;
// -1 while it does not play.
double PlaythroughLatencyMs() {
    for (const QString& block : Pactl({"list", "sink-inputs"}).split("\n\n")) {
        if (!block.contains("media.name = \"Microphone playthrough\"")) continue;
        double usec = 0;
        auto matches = QRegularExpression("(Buffer|Sink) Latency: (\\d+) usec").globalMatch(block);
        while (matches.hasNext()) usec += matches.next().captured(2).toDouble();
        return usec / 1000;
    }
    return -1;
}

// The playthrough stream's raw volume in the server, per channel.
std::vector<long> PlaythroughVolumes() {
    std::vector<long> volumes;
    for (const QString& block : Pactl({"list", "sink-inputs"}).split("Sink Input #")) {
        if (!block.contains("media.name = \"Microphone playthrough\"")) continue;
        const QString line = QRegularExpression("\n\\s*Volume: ([^\n]*)").match(block).captured(1);
        auto matches = QRegularExpression(":\\s*(\\d+)\\s*/").globalMatch(line);
        while (matches.hasNext()) volumes.push_back(matches.next().captured(1).toLong());
    }
    return volumes;
}

// The output the playthrough plays into, empty while there is none.
QString PlaythroughSink() {
    for (const QString& block : Pactl({"list", "sink-inputs"}).split("Sink Input #")) {
        if (!block.contains("media.name = \"Microphone playthrough\"")) continue;
        const QString sink = QRegularExpression("Sink: (\\d+)").match(block).captured(1);
        for (const QString& line : Pactl({"list", "sinks", "short"}).split('\n'))
            if (line.section('\t', 0, 0) == sink) return line.section('\t', 1, 1);
    }
    return QString();
}

// Each channel's raw volume: "front-left: 65536 / 100% / ...,   front-right: ...".
std::vector<long> SourceVolumes(const QString& source) {
    std::vector<long> volumes;
    auto matches =
        QRegularExpression(":\\s*(\\d+)\\s*/").globalMatch(Pactl({"get-source-volume", source}));
    while (matches.hasNext()) volumes.push_back(matches.next().captured(1).toLong());
    return volumes;
}

// Relative strength of frequency hz in mono 16-bit samples at 48 kHz (Goertzel).
double Strength(const QByteArray& pcm, double hz) {
    const auto* samples = reinterpret_cast<const std::int16_t*>(pcm.constData());
    const int count = static_cast<int>(pcm.size() / 2);
    const double coefficient = 2 * std::cos(2 * M_PI * hz / 48000);
    double previous = 0, beforePrevious = 0;
    for (int i = 0; i < count; ++i) {
        const double current = samples[i] / 32768.0 + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    const double power = previous * previous + beforePrevious * beforePrevious -
                         coefficient * previous * beforePrevious;
    return std::sqrt(power) / std::max(1, count);
}

class MicrophoneMixerRig : public testing::Test {
  protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            GTEST_SKIP() << "needs the private sound server that scripts/test starts";
        Pactl({"set-source-mute", "singer", "0"});
        Pactl({"set-source-volume", "singer", "65536"});
        Connect();
    }
    void TearDown() override {
        harness.dialog.reset();
        harness.fake.platform.mixer.reset();
        // The singer sings, unmuted, for the tests that follow.
        Pactl({"set-source-mute", "singer", "0"});
    }
    // A connection of its own that starts from what the server has now.
    void Connect() {
        harness.fake.platform.mixer.reset();
        soundServer = std::make_unique<SoundServer>("mixer-rig-test");
        harness.fake.platform.mixer = MakePulseMixer(*soundServer);
    }

    MainDialog& Start() {
        MainDialog& dialog = harness.Start();
        dialog.show();
        return dialog;
    }
    QSlider& Slider() { return harness.dialog->controls().microphoneVolume(); }
    void Release(int position) {
        Slider().setValue(position);
        emit static_cast<ReleaseSlider&>(Slider()).released();
    }

    std::unique_ptr<SoundServer> soundServer;
    MainDialogFixture harness;
};

TEST_F(MicrophoneMixerRig, StartUpFindsTheSingerAndTurnsThePlaythroughOn) {
    Pactl({"set-source-mute", "singer", "1"});
    MainDialog& dialog = Start();
    EXPECT_TRUE(harness.MessageTexts().empty()) << harness.MessageTexts().front().toStdString();
    EXPECT_EQ(dialog.microphone().micMixerId(), 0);
    EXPECT_EQ(dialog.microphone().micReady(), 1);
    EXPECT_TRUE(Slider().isEnabled());
    EXPECT_TRUE(RunEventLoopUntil(PlaythroughRunning, 5000));
    EXPECT_TRUE(RunEventLoopUntil([] { return !SingerMuted(); }, 5000))
        << "start-up unmutes the microphone";
}

TEST_F(MicrophoneMixerRig, TheOutputMixCarriesTheSongAndTheSinger) {
    Start();
    ASSERT_TRUE(RunEventLoopUntil(PlaythroughRunning, 5000));
    QProcess song;
    song.start("gst-launch-1.0", {"-q", "audiotestsrc", "freq=440", "volume=0.3", "is-live=true",
                                  "!", "pulsesink", "device=speakers"});
    ASSERT_TRUE(song.waitForStarted());
    QTemporaryDir dir;
    const QString raw = dir.filePath("mix.raw");
    QProcess recorder;
    recorder.start(
        "gst-launch-1.0",
        {"-q", "pulsesrc", "device=speakers.monitor", "num-buffers=150", "!",
         "audio/x-raw,format=S16LE,rate=48000,channels=1", "!", "filesink", "location=" + raw});
    // The recorder runs while this thread keeps the playthrough fed.
    EXPECT_TRUE(RunEventLoopUntil([&] { return recorder.state() == QProcess::NotRunning; }, 15000));
    song.kill();
    song.waitForFinished();

    QFile file(raw);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    // The first half second lets both sounds reach the mix.
    const QByteArray pcm = file.readAll().mid(48000);
    ASSERT_GT(pcm.size(), 48000);
    const double song440 = Strength(pcm, 440), singer660 = Strength(pcm, 660);
    const double elsewhere = Strength(pcm, 1234);
    EXPECT_GT(song440, 10 * elsewhere) << song440 << " vs " << elsewhere;
    EXPECT_GT(singer660, 10 * elsewhere) << singer660 << " vs " << elsewhere;
}

TEST_F(MicrophoneMixerRig, TheSingerIsNotHeldBackEvenWhereTheOutputWasIdle) {
    Start();
    ASSERT_TRUE(RunEventLoopUntil(PlaythroughRunning, 5000));
    // Once settled, the output holds its target of a few tens of milliseconds, not what
    // came in while the idle output woke up.
    RunEventLoopFor(3000);
    const double latency = PlaythroughLatencyMs();
    EXPECT_GE(latency, 0);
    EXPECT_LT(latency, 120);
}

TEST_F(MicrophoneMixerRig, TheSliderSetsTheMicrophoneAndFollowsOutsideChanges) {
    Start();
    for (const auto& [position, written] :
         {std::pair{200, 65535L}, {100, 32767L}, {50, 16383L}, {1, 327L}, {0, 0L}}) {
        Release(position);
        EXPECT_TRUE(RunEventLoopUntil([&] { return SingerVolume() == written; }, 5000))
            << position << " gave " << SingerVolume();
    }
    for (const auto& [volume, position] :
         {std::pair{"65535", 200}, {"32767", 99}, {"16383", 49}, {"327", 0}}) {
        Slider().setValue(150);
        Pactl({"set-source-volume", "singer", volume});
        EXPECT_TRUE(RunEventLoopUntil([&] { return Slider().value() == position; }, 5000))
            << volume << " shows " << Slider().value();
    }
}

TEST_F(MicrophoneMixerRig, CloseEndsThePlaythroughAndGivesAnUnmutedMicrophoneBack) {
    MainDialog& dialog = Start();
    ASSERT_TRUE(RunEventLoopUntil(PlaythroughRunning, 5000));
    dialog.close();
    EXPECT_TRUE(RunEventLoopUntil([] { return !PlaythroughRunning(); }, 5000));
    EXPECT_FALSE(SingerMuted());
    EXPECT_TRUE(harness.MessageTexts().empty());
}

TEST_F(MicrophoneMixerRig, CloseGivesAMutedMicrophoneItsMuteBack) {
    Pactl({"set-source-mute", "singer", "1"});
    Connect();
    MainDialog& dialog = Start();
    EXPECT_TRUE(RunEventLoopUntil([] { return !SingerMuted(); }, 5000));
    dialog.close();
    EXPECT_TRUE(RunEventLoopUntil(SingerMuted, 5000));
    EXPECT_TRUE(RunEventLoopUntil([] { return !PlaythroughRunning(); }, 5000));
}

TEST_F(MicrophoneMixerRig, HearingTheMicrophoneIsSwitchedInTheMenuAndRemembered) {
    MainDialog& first = Start();
    ASSERT_TRUE(RunEventLoopUntil(PlaythroughRunning, 5000));
    harness.fake.menus->answer = ID_HEAR_MICROPHONE;
    first.ShowContextMenu(QPoint(10, 10));
    EXPECT_TRUE(RunEventLoopUntil([] { return !PlaythroughRunning(); }, 5000));
    EXPECT_FALSE(SingerMuted()) << "the recording microphone stays on";
    first.close();

    MainDialog& second = Start();
    RunEventLoopFor(500);
    EXPECT_FALSE(PlaythroughRunning());
    EXPECT_FALSE(SingerMuted());
    second.ShowContextMenu(QPoint(10, 10));
    EXPECT_TRUE(RunEventLoopUntil(PlaythroughRunning, 5000));
    EXPECT_EQ(harness.Stored("Option", "b_hear_microphone"), "1");
}

TEST_F(MicrophoneMixerRig, AStereoMicrophoneKeepsItsBalance) {
    RigDevices devices;
    ASSERT_TRUE(devices.PlugMicrophone("stereo_mic", "Stereo Microphone", 2, "microphone"));
    RigDevices::SetDefaultSource("stereo_mic");
    Pactl({"set-source-volume", "stereo_mic", "65536", "32768"});
    Connect();
    Start();
    Release(100);
    EXPECT_TRUE(RunEventLoopUntil(
        [] {
            return SourceVolumes("stereo_mic") == std::vector<long>{32767, 16384};
        },
        5000))
        << SourceVolumes("stereo_mic")[1];
}

TEST_F(MicrophoneMixerRig, ThePlaythroughFollowsTheSongsOutputAndComesBackWithItsDevices) {
    RigDevices devices;
    ASSERT_TRUE(devices.PlugMicrophone("usb_mic", "USB Microphone", 1, "microphone"));
    RigDevices::SetDefaultSource("usb_mic");
    Connect();
    Start();
    ASSERT_TRUE(RunEventLoopUntil([] { return PlaythroughSink() == "speakers"; }, 5000));
    ASSERT_TRUE(devices.PlugOutput("stage", "Stage"));
    RigDevices::SetDefaultSink("stage");
    EXPECT_TRUE(RunEventLoopUntil([] { return PlaythroughSink() == "stage"; }, 5000));

    // Unplugged, the microphone leaves no stream behind; plugged back, it is heard again.
    devices.Unplug("usb_mic");
    EXPECT_TRUE(RunEventLoopUntil([] { return Playthroughs() == 0; }, 5000));
    ASSERT_TRUE(devices.PlugMicrophone("usb_mic", "USB Microphone", 1, "microphone"));
    RigDevices::SetDefaultSource("usb_mic");
    EXPECT_TRUE(RunEventLoopUntil([] { return PlaythroughSink() == "stage"; }, 5000));

    devices.Unplug("stage");
    EXPECT_TRUE(RunEventLoopUntil([] { return PlaythroughSink() == "speakers"; }, 5000));
    EXPECT_EQ(Playthroughs(), 1);
}

// The server carries the voice itself: PipeWire in its graph, from a connection of the
// program's own, PulseAudio in its loopback module.
TEST_F(MicrophoneMixerRig, ThePlaythroughRunsInsideTheServer) {
    Start();
    EXPECT_TRUE(RunEventLoopUntil(
        [] {
            return Pactl({"list", "sink-inputs"}).contains("tarvelo-playthrough-");
        },
        5000));
}

// The fader of the playthrough reaches the server's stream, whichever way the server
// carries the voice.
TEST_F(MicrophoneMixerRig, ThePlaythroughsFaderSetsItsStream) {
    Start();
    // The stream of the test before may still be going away, and PipeWire's session
    // manager gives a new stream the volume it stored for its name a moment after it shows.
    ASSERT_TRUE(RunEventLoopUntil([] { return Playthroughs() == 1; }, 5000));
    RunEventLoopFor(500);
    Mixer& mixer = *harness.fake.platform.mixer;
    HMIXER handle{};
    ASSERT_EQ(mixer.mixerOpen(&handle, 0, nullptr, 0), MMSYSERR_NOERROR);
    DWORD half = 32768;
    MIXERCONTROLDETAILS details;
    details.dwControlID = 1;  // the "Speakers" microphone's volume
    details.cChannels = 1;
    details.paDetails = &half;
    ASSERT_EQ(mixer.mixerSetControlDetails(handle, &details, MIXER_SETCONTROLDETAILSF_VALUE),
              MMSYSERR_NOERROR);
    mixer.mixerClose(handle);
    EXPECT_TRUE(RunEventLoopUntil(
        [] { return Playthroughs() == 1 && PlaythroughVolumes() == std::vector<long>{32768}; },
        5000))
        << Playthroughs() << " streams";
}

// The built program, started on the test's display; false when it is not built.
bool StartProgram(QProcess& tarvelo) {
    const QString program = QCoreApplication::applicationDirPath() + "/../src/tarvelo";
    if (!QFile::exists(program)) return false;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    tarvelo.setProcessEnvironment(environment);
    tarvelo.start(program, {});
    return tarvelo.waitForStarted();
}

TEST_F(MicrophoneMixerRig, KillingTheProgramLeavesNothingRunningInTheServer) {
    const QString modulesBefore = Pactl({"list", "modules", "short"});
    QProcess tarvelo;
    if (!StartProgram(tarvelo)) GTEST_SKIP() << "the program is not built";
    EXPECT_TRUE(RunEventLoopUntil(PlaythroughRunning, 15000))
        << "the program starts the playthrough";
    tarvelo.kill();
    tarvelo.waitForFinished();

    EXPECT_TRUE(RunEventLoopUntil([] { return !PlaythroughRunning(); }, 5000));
    // Nor the program's guard of the loopback module, once it has unloaded the module.
    EXPECT_TRUE(RunEventLoopUntil(
        [] {
            return !Pactl({"list", "clients"}).contains("application.name = \"tarvelo");
        },
        5000));
    EXPECT_EQ(Pactl({"list", "modules", "short"}), modulesBefore);
}

TEST_F(MicrophoneMixerRig, ATerminationSignalEndsTheProgramAsItsCloseBoxDoes) {
    Pactl({"set-source-mute", "singer", "1"});
    QProcess tarvelo;
    if (!StartProgram(tarvelo)) GTEST_SKIP() << "the program is not built";
    ASSERT_TRUE(RunEventLoopUntil([] { return !SingerMuted(); }, 15000))
        << "the program unmutes the microphone";
    tarvelo.terminate();
    ASSERT_TRUE(tarvelo.waitForFinished(10000));
    EXPECT_EQ(tarvelo.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tarvelo.exitCode(), 0);
    EXPECT_TRUE(SingerMuted());
    EXPECT_FALSE(PlaythroughRunning());
}

}  // namespace
