#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>

#include "desktop/event_loop_wait.h"
#include "gst/wav_file_writer.h"
#include "resources/resource_ids.h"
#include "support/main_dialog_fixture.h"
#include "support/media_maker.h"
#include "support/rig_devices.h"
#include "support/server_modules.h"
#include "support/sound_rig_env.h"
#include "support/tone_analysis.h"
#include "support/wav_reader.h"

namespace {

constexpr int kRate = 48000;
constexpr double kClickLevel = 0.8;

// Sharp clicks, the first at the song's very start, the rest at uneven spacing so that no
// click can pass for its neighbour.
std::vector<double> ClickTimes() {
    std::vector<double> times{0.0};
    for (int k = 0; k < 10; ++k) times.push_back(0.5 + k * 0.41 + (k % 3) * 0.05);
    return times;
}

QString WriteClickSong(const QString& path) {
    const double seconds = ClickTimes().back() + 0.6;
    std::vector<std::int16_t> samples(static_cast<std::size_t>(seconds * kRate) * 2, 0);
    for (double at : ClickTimes()) {
        const auto first = static_cast<std::size_t>(at * kRate);
        for (std::size_t i = 0; i < 48; ++i) {
            const auto value = static_cast<std::int16_t>(
                32767 * kClickLevel * std::sin(2 * M_PI * 3000.0 * double(i) / kRate));
            samples[(first + i) * 2] = samples[(first + i) * 2 + 1] = value;
        }
    }
    WavFileWriter writer;
    writer.Open(path.toStdString(), kRate, 2);
    writer.Append(samples.data(), samples.size() * 2);
    writer.Finish();
    return path;
}

// The first sample louder than a tenth of the clicks' level within 120 ms of a song click,
// as seconds after it; NaN when there is none.
double OnsetNear(const std::vector<double>& signal, int rate, double at, double within) {
    const auto from = static_cast<std::size_t>(std::max(0.0, at - within) * rate);
    const auto to = std::min(signal.size(), static_cast<std::size_t>((at + within) * rate));
    for (std::size_t i = from; i < to; ++i)
        if (std::abs(signal[i]) > kClickLevel * 0.1) return double(i) / rate - at;
    return std::nan("");
}

class SongAndMicrophone : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_SOUND_RIG();
        NewRig();
    }
    void NewRig() {
        rig_.reset();
        rig_ = std::make_unique<MainDialogFixture>(
            MainDialogOptions{.quiet = true, .realCapture = true});
        rig().fake.platform.mediaGraphs = MakeGstMediaGraphs();
        // The singer's voice must not be played back into what it hears.
        rig().Store("b_hear_microphone", 0);
    }
    void TearDown() override {
        if (rig_) RigDevices::Pactl({"set-default-source", "singer"});
    }
    MainDialog& StartWith(const QString& song) {
        MainDialog& dialog = rig().Start();
        rig().fake.fileDialogs->answers.push_back(song);
        dialog.OnCommand(IDC_OPEN);
        dialog.controls().outputPathBox().setText(Output());
        return dialog;
    }
    // Records the open song to its end.
    void RecordSong(MainDialog& dialog) {
        dialog.OnCommand(IDC_START);
        ASSERT_TRUE(dialog.recording().isRecording());
        ASSERT_TRUE(RunEventLoopUntil([&] { return !dialog.recording().isRecording(); }, 20000));
    }
    // A singer that sings exactly what it hears, late by its own latency: the song's
    // output looped into a null output whose monitor is the program's microphone.
    bool PlugLoopbackSinger(int latencyMs) {
        const auto air = LoadServerModule("module-null-sink",
                                          "sink_name=singer_air rate=48000 "
                                          "sink_properties=device.description=Air");
        const auto loop = LoadServerModule(
            "module-loopback", QString("source=speakers.monitor sink=singer_air latency_msec=%1 "
                                       "source_dont_move=true sink_dont_move=true")
                                   .arg(latencyMs));
        const auto mic = LoadServerModule("module-remap-source",
                                          "master=singer_air.monitor source_name=loop_mic "
                                          "source_properties=device.form_factor=microphone");
        for (const auto& module : {air, loop, mic})
            if (module) modules_.push_back(*module);
        if (!air || !loop || !mic) return false;
        RigDevices::Pactl({"set-default-source", "loop_mic"});
        return true;
    }
    void UnplugLoopbackSinger() {
        for (auto module = modules_.rbegin(); module != modules_.rend(); ++module)
            UnloadServerModule(*module);
        modules_.clear();
        RigDevices::Pactl({"set-default-source", "singer"});
    }
    MainDialogFixture& rig() { return *rig_; }
    QString Output() const { return folder.filePath("take.wav"); }
    QString VoiceOutput() const { return folder.filePath("take (voice).wav"); }

    QTemporaryDir folder;
    std::unique_ptr<MainDialogFixture> rig_;
    std::vector<int> modules_;
};

TEST_F(SongAndMicrophone, IsTheFirstDeviceAndTheFirstRunsChoice) {
    MainDialog& dialog = rig().Start();
    const QComboBox& devices = dialog.controls().deviceList();
    ASSERT_GE(devices.count(), 2);
    EXPECT_EQ(devices.itemText(0), "Song and microphone");
    EXPECT_EQ(devices.currentIndex(), 0);
    ASSERT_EQ(dialog.controls().inputList().count(), 1);
    EXPECT_EQ(dialog.controls().inputList().itemText(0), "Song and microphone mix");
    EXPECT_EQ(dialog.recording().captureChoices().nSearchFlag, 1);
}

// The voice is shifted by the latencies the server reports and by the offset for what it
// cannot know, here the loopback singer's own latency, which Measure finds as it would a
// singer's with speakers.
#ifdef __SANITIZE_ADDRESS__
// The sanitizers slow every thread several times over: a measurement and the take after it
// place the voice further apart there, while through the take it still keeps its place.
constexpr double kSanitizedSlack = 0.030;
#else
constexpr double kSanitizedSlack = 0;
#endif

TEST_F(SongAndMicrophone, TheSingersClicksLieOnTheSongsAtEveryLatency) {
    const QString song = WriteClickSong(folder.filePath("clicks.wav"));
    for (int latencyMs : {20, 60, 150}) {
        SCOPED_TRACE(latencyMs);
        ASSERT_TRUE(PlugLoopbackSinger(latencyMs));
        // The loopback settles on its latency.
        RunEventLoopFor(1500);
        NewRig();
        rig().Start();
        int offsetMs = 0;
        ASSERT_EQ(rig().fake.platform.capture->MeasureVoiceOffset(&offsetMs), S_OK);
        rig().dialog->close();
        MainDialog& dialog = StartWith(song);
        dialog.recording().SetVoiceOffset(offsetMs);
        dialog.recording().SetKeepVoiceTrack(true);
        RecordSong(dialog);
        dialog.close();
        UnplugLoopbackSinger();

        const std::optional<WavContents> mix = ReadWav(Output());
        const std::optional<WavContents> voice = ReadWav(VoiceOutput());
        ASSERT_TRUE(mix && voice);
        EXPECT_EQ(voice->channels, 1);
        EXPECT_EQ(voice->rate, mix->rate);
        // The song's first sample is the file's first.
        EXPECT_LT(mix->FirstSoundAt(0.05), 0.010);
        // The click at the very start is the song's alone: the loopback wakes with it.
        // The voice lies within a millisecond or two of the song (the output mix lies 80 ms
        // off).
        // PipeWire's loopback is no reference of its own latency: set to 150 ms it was seen
        // at 92 ms in one run and 157 ms in the next, and moving within a run; it also wakes
        // later, after the first click. There the voice is only looked for at every later
        // click, within less than the clicks' spacing so that no neighbour's voice is taken
        // for it.
        const bool steadySinger = !RigDevices::Pactl({"info"}).contains("PipeWire");
        const std::vector<double> clicks = ClickTimes();
        std::vector<double> errors;
        for (std::size_t k = steadySinger ? 1 : 2; k < clicks.size(); ++k)
            errors.push_back(std::abs(
                OnsetNear(voice->Channel0(), voice->rate, clicks[k], steadySinger ? 0.12 : 0.2)));
        ASSERT_TRUE(std::ranges::none_of(errors, [](double e) { return std::isnan(e); }))
            << "a click without the voice; offset " << offsetMs;
        std::sort(errors.begin(), errors.end());
        if (!steadySinger) continue;
        // Within a take the clicks keep their place to a fraction of a millisecond; a voice
        // that drifts against the song would part from it by tens, and one that moved while
        // the microphone's blocks were learnt by a few.
        EXPECT_LT(errors.back() - errors.front(), 0.002) << "offset " << offsetMs;
        // Mostly within a millisecond; a whole microphone block (10 ms) off where, on a
        // busy machine, no block came on time while the voice's place was learnt.
        EXPECT_LT(errors.back(), 0.012 + kSanitizedSlack) << "offset " << offsetMs;
    }
}

TEST_F(SongAndMicrophone, TheSongGoesOnWhenTheMicrophoneIsRemovedAndThatIsSaidOnce) {
    MediaMaker media;
    ASSERT_TRUE(PlugLoopbackSinger(20));
    MainDialog& dialog = StartWith(media.Wav("song.wav", 40, 440));
    dialog.OnCommand(IDC_START);
    RunEventLoopFor(1500);
    // The microphone goes; the output it listens to stays.
    ASSERT_TRUE(UnloadServerModule(modules_.back()));
    modules_.pop_back();
    RunEventLoopFor(500);
    EXPECT_TRUE(dialog.recording().isRecording());
    ASSERT_TRUE(RunEventLoopUntil([&] { return !dialog.recording().isRecording(); }, 10000));
    UnplugLoopbackSinger();

    const auto shown = rig().Shown("Tarvelo");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              "The microphone was removed. The song goes on being recorded without the voice.");
    const std::optional<WavContents> wav = ReadWav(Output());
    ASSERT_TRUE(wav);
    EXPECT_GT(wav->seconds(), 3.8);
    const std::vector<double> left = wav->Channel0();
    // A second of the song well after the microphone went.
    const std::vector<double> later(left.begin() + wav->rate * 5 / 2,
                                    left.begin() + wav->rate * 7 / 2);
    EXPECT_GT(ToneShare(later, wav->rate, 440), 0.5);
}

// Killed without warning, the recording leaves both the mix and the voice readable.
TEST_F(SongAndMicrophone, AKilledTakeLeavesBothFilesReadable) {
    MediaMaker media;
    QProcess recorder;
    recorder.start(TARVELO_RECORD_PROBE,
                   {Output(), "Song and microphone mix", "0", media.Wav("song.wav", 100, 440)});
    ASSERT_TRUE(recorder.waitForReadyRead(10000)) << recorder.readAllStandardError().toStdString();
    ASSERT_TRUE(RunEventLoopUntil(
        [&] { return QFileInfo(VoiceOutput()).size() > 80 + 48000 * 2 * 5 / 2; }, 15000));
    recorder.kill();
    ASSERT_TRUE(recorder.waitForFinished(5000));
    EXPECT_EQ(recorder.exitStatus(), QProcess::CrashExit);

    for (const QString& path : {Output(), VoiceOutput()}) {
        const std::optional<WavContents> wav = ReadWav(path);
        ASSERT_TRUE(wav) << path.toStdString();
        EXPECT_GT(wav->seconds(), 1.5) << path.toStdString();
        EXPECT_LE(wav->declaredData, wav->dataOnDisk);
    }
    EXPECT_GT(ToneShare(ReadWav(Output())->Channel0(), 48000, 440), 0.3);
}

TEST_F(SongAndMicrophone, DesktopSoundsStayOutOfTheTake) {
    MediaMaker media;
    MainDialog& dialog = StartWith(media.Wav("song.wav", 30, 440));
    // Another program plays into the song's output all through the take.
    QProcess desktop;
    desktop.start("gst-launch-1.0", {"-q", "audiotestsrc", "freq=1000", "volume=0.5", "!",
                                     "pulsesink", "device=speakers"});
    ASSERT_TRUE(desktop.waitForStarted());
    RunEventLoopFor(300);
    RecordSong(dialog);
    desktop.kill();
    desktop.waitForFinished();

    const std::optional<WavContents> wav = ReadWav(Output());
    ASSERT_TRUE(wav);
    const std::vector<double> left = wav->Channel0();
    EXPECT_GT(ToneShare(left, wav->rate, 440), 0.3);
    // The rig's microphone sings its own tone.
    EXPECT_GT(ToneShare(left, wav->rate, 660), 0.01);
    EXPECT_LT(ToneShare(left, wav->rate, 1000), 0.001);
}

}  // namespace
