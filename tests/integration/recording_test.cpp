#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include "desktop/event_loop_wait.h"
#include "playback/player_window.h"
#include "resources/resource_ids.h"
#include "services/media_graph.h"
#include "services/window_messages.h"
#include "support/karaoke_files.h"
#include "support/main_dialog_fixture.h"
#include "support/media_maker.h"
#include "support/server_modules.h"
#include "support/sound_rig_env.h"
#include "support/test_tone.h"
#include "support/tone_analysis.h"
#include "support/wav_reader.h"

namespace {

constexpr int kRecordingControls[] = {IDC_START, IDC_STOP,        IDC_PLAY,
                                      IDC_OPEN,  IDC_OUTPUT_PATH, IDC_BROWSE};

class Recording : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_SOUND_RIG();
        rig_ = std::make_unique<MainDialogFixture>(
            MainDialogOptions{.quiet = true, .realCapture = true});
        rig().StoreSongOutputMixChoice();
    }
    MainDialog& StartWindow() {
        MainDialog& dialog = rig().Start();
        dialog.controls().EnableRecordingControls(true);  // as after opening a media file
        dialog.controls().outputPathBox().setText(Output());
        return dialog;
    }
    MainDialogFixture& rig() { return *rig_; }
    MainDialog& dialog() { return *rig().dialog; }
    SoundServer& server() { return *rig().fake.platform.soundServer; }
    QString Output() const { return folder.filePath("take.wav"); }
    QString Status() { return dialog().controls().status().text(); }
    // Records for about ms milliseconds and answers the file.
    std::optional<WavContents> Record(int ms) {
        dialog().OnCommand(IDC_START);
        RunEventLoopFor(ms);
        dialog().OnCommand(IDC_STOP);
        return ReadWav(Output());
    }
    void SelectInput(int index) {
        dialog().controls().inputList().setCurrentIndex(index);
        dialog().recording().OnInputSelected();
    }

    QTemporaryDir folder;
    std::unique_ptr<MainDialogFixture> rig_;
};

TEST_F(Recording, FirstRunFindsTheOutputMixAndASecondRunKeepsTheStoredChoice) {
    // The first run finds the song and the microphone, ahead of the rig's own device.
    rig().fake.settings->Set("Option", "CaptureSource", "");
    rig().Store("nSearchFlag", 0);
    MainDialog& firstRun = StartWindow();
    EXPECT_EQ(firstRun.recording().captureChoices().captureDeviceCount, 2);
    EXPECT_EQ(firstRun.controls().inputList().currentText(), "Song and microphone mix");
    EXPECT_FALSE(firstRun.controls().deviceList().isHidden());
    firstRun.close();

    // The rig's device: its microphone, then its output mix. A choice stored without names
    // comes from an older program, whose list held the server's devices only.
    rig().Store("nSoundCaptureIndex", 0);
    rig().Store("nCapturePinIndex", 1);
    rig().fake.settings->Set("Option", "CaptureSource", "");
    MainDialog& dialog = StartWindow();
    const QComboBox* inputs = &dialog.controls().inputList();
    ASSERT_EQ(inputs->count(), 2);
    EXPECT_EQ(inputs->itemText(0), "Singer");
    EXPECT_EQ(inputs->itemText(1), "Speakers - output mix");
    EXPECT_EQ(inputs->currentIndex(), 1);
    EXPECT_EQ(dialog.recording().captureChoices().nSearchFlag, 1);
    dialog.close();
    EXPECT_EQ(rig().Stored("nSoundCaptureIndex"), 1);
    EXPECT_EQ(rig().Stored("nCapturePinIndex"), 1);
    EXPECT_EQ(rig().Stored("nSearchFlag"), 1);

    // The stored choice is taken as it is: no search overrides it. Without its stable names
    // (an older program's choice) the index alone says which input.
    rig().Store("nSoundCaptureIndex", 0);
    rig().Store("nCapturePinIndex", 0);
    rig().fake.settings->Set("Option", "CaptureSource", "");
    MainDialog& second = StartWindow();
    EXPECT_EQ(second.controls().inputList().currentIndex(), 0);
    EXPECT_EQ(second.recording().captureChoices().nCapturePinIndex, 0);
}

TEST_F(Recording, ASongRecordedToItsEndCarriesItsToneInACompleteFile) {
    rig().fake.platform.mediaGraphs = MakeGstMediaGraphs();
    MediaMaker media;
    rig().fake.fileDialogs->answers.push_back(media.Wav("song.wav", 30, 440));
    StartWindow();
    dialog().OnCommand(IDC_OPEN);
    ASSERT_NE(dialog().playback().currentPlayer(), nullptr);
    dialog().controls().outputPathBox().setText(Output());
    dialog().OnCommand(IDC_START);
    ASSERT_TRUE(dialog().recording().isRecording());
    // The song plays to its end, and its end posts Stop.
    ASSERT_TRUE(RunEventLoopUntil([&] { return !dialog().recording().isRecording(); }, 10000));

    EXPECT_EQ(Status(), "Status : Ready");
    for (int id : kRecordingControls)
        EXPECT_TRUE(dialog().controls().Control(id)->isEnabled()) << id;
    const std::optional<WavContents> wav = ReadWav(Output());
    ASSERT_TRUE(wav);
    EXPECT_FALSE(wav->rf64);
    EXPECT_EQ(wav->declaredData, wav->dataOnDisk);
    EXPECT_EQ(wav->riffSize, wav->dataOnDisk + 72);
    EXPECT_EQ(wav->rate, server().model().SourceNamed("speakers.monitor")->rate);
    EXPECT_EQ(wav->channels, 2);
    EXPECT_GT(wav->seconds(), 3.0);
    // The null sink of the test server reports a drained stream up to about a second and a
    // half after its last sample reached the output mix, and the song's end waits for that.
    EXPECT_LT(wav->seconds(), 5.5)
        << "sound from " << wav->FirstSoundAt(0.01) << " s to " << wav->LastSoundAt(0.01) << " s";
    // The whole song is in the file, from its first moment to its last.
    const double onset = wav->FirstSoundAt(0.01);
    EXPECT_GE(onset, 0.0);
    EXPECT_LT(onset, 1.0);
    EXPECT_GT(wav->LastSoundAt(0.01) - onset, 2.95);
    const std::vector<double> left = wav->Channel0();
    EXPECT_GT(ToneShare(left, wav->rate, 440), 0.5);
    EXPECT_LT(ToneShare(left, wav->rate, 660), 0.01);
}

// However long a song sat open, Start plays it at once: its first sound lies at the start
// of the recording, and its place moves from the first second on.
TEST_F(Recording, ASongThatSatOpenStartsWithTheRecording) {
    rig().fake.platform.mediaGraphs = MakeGstMediaGraphs();
    MediaMaker media;
    QTemporaryDir songs;
    const QString cdg = songs.filePath("duet.cdg");
    ASSERT_TRUE(WriteFile(cdg, QByteArray(24 * 300 * 3, '\0')));
    ASSERT_TRUE(QFile::copy(media.OggVorbis("duet.ogg", 30), songs.filePath("duet.ogg")));
    StartWindow();
    for (const QString& song : {media.Wav("song.wav", 30), cdg}) {
        rig().fake.fileDialogs->answers.push_back(song);
        dialog().OnCommand(IDC_OPEN);
        PlayerWindow* player = dialog().playback().currentPlayer();
        ASSERT_NE(player, nullptr) << song.toStdString();
        dialog().controls().outputPathBox().setText(Output());
        RunEventLoopFor(4000);
        dialog().OnCommand(IDC_START);
        RunEventLoopFor(1000);
        player->PollPosition();
        EXPECT_GT(player->currentPosition(), 5'000'000) << song.toStdString();
        ASSERT_TRUE(RunEventLoopUntil([&] { return !dialog().recording().isRecording(); }, 10000));
        const std::optional<WavContents> wav = ReadWav(Output());
        ASSERT_TRUE(wav);
        // A song late by as long as it sat open would begin four seconds in.
        EXPECT_GE(wav->FirstSoundAt(0.01), 0.0) << song.toStdString();
        EXPECT_LT(wav->FirstSoundAt(0.01), 0.5) << song.toStdString();
    }
}

TEST_F(Recording, TenSecondsOfTheSingersInputHoldTenSecondsOfTheSingersTone) {
    StartWindow();
    SelectInput(0);
    const std::optional<WavContents> wav = Record(10000);
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->rate, 48000);
    EXPECT_EQ(wav->channels, 1);
    EXPECT_GT(wav->seconds(), 9.8);
    EXPECT_LT(wav->seconds(), 11.0);
    // Tenths of a second that carry the tone and nothing else.
    const std::vector<double> singer = wav->Channel0();
    const long tenth = wav->rate / 10;
    int sung = 0;
    for (long at = 0; at + tenth <= static_cast<long>(singer.size()); at += tenth) {
        const std::vector<double> stretch(singer.begin() + at, singer.begin() + at + tenth);
        const bool toneAlone =
            ToneShare(stretch, wav->rate, 660) > 0.9 && ToneShare(stretch, wav->rate, 440) < 0.01;
        sung += toneAlone ? 1 : 0;
    }
    EXPECT_GE(sung, 95) << "of " << singer.size() / tenth;
}

TEST_F(Recording, StartReplacesTheFileEachTimeAndAMissingFolderIsReported) {
    StartWindow();
    QFile existing(Output());
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write(QByteArray(200000, 'x'));
    existing.close();
    std::optional<WavContents> wav = Record(1500);
    ASSERT_TRUE(wav);
    EXPECT_GT(wav->seconds(), 1.0);
    wav = Record(300);
    ASSERT_TRUE(wav);
    EXPECT_LT(wav->seconds(), 1.0);
    EXPECT_EQ(wav->declaredData, wav->dataOnDisk);

    dialog().controls().outputPathBox().setText(folder.filePath("missing/take.wav"));
    dialog().OnCommand(IDC_START);
    ASSERT_EQ(rig().Shown("Start Recording Error").size(), 1u);
    RunEventLoopUntil([&] { return !dialog().recording().isRecording(); }, 2000);
    EXPECT_FALSE(dialog().recording().isRecording());
    EXPECT_EQ(Status(), "Status : Ready");
    for (int id : kRecordingControls)
        EXPECT_TRUE(dialog().controls().Control(id)->isEnabled()) << id;
}

TEST_F(Recording, RemovingTheRecordedOutputEndsTheRecordingAndKeepsTheFile) {
    SoundServer& server = *rig().fake.platform.soundServer;
    ASSERT_TRUE(server.WaitUntilReady(3000));
    const std::optional<int> module = LoadServerModule(
        "module-null-sink", "sink_name=stage sink_properties=device.description=Stage");
    ASSERT_TRUE(module);
    ASSERT_TRUE(RunEventLoopUntil(
        [&] { return server.model().SourceNamed("stage.monitor") != nullptr; }, 3000));
    StartWindow();
    ASSERT_EQ(dialog().controls().inputList().itemText(2), "Stage - output mix");
    SelectInput(2);
    TestTone song("stage", 440, 5.0);
    ASSERT_TRUE(song.Start());
    dialog().OnCommand(IDC_START);
    // A second of the song in the file, however the server portions it out.
    ASSERT_TRUE(
        RunEventLoopUntil([&] { return QFileInfo(Output()).size() > 80 + 48000 * 4; }, 8000));
    ASSERT_TRUE(UnloadServerModule(*module));
    ASSERT_TRUE(RunEventLoopUntil([&] { return !dialog().recording().isRecording(); }, 5000));

    EXPECT_EQ(Status(), "Status : Ready");
    EXPECT_EQ(dialog().controls().deviceList().count(), 0);
    EXPECT_EQ(dialog().controls().inputList().count(), 0);
    EXPECT_EQ(rig().fake.messages->beeps, 1);
    const auto shown = rig().Shown("DirectShow Audio Capture Sample");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "The selected input device was removed!");
    const std::optional<WavContents> wav = ReadWav(Output());
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->declaredData, wav->dataOnDisk);
    EXPECT_GT(wav->seconds(), 1.0);
    EXPECT_GT(ToneShare(wav->Channel0(), wav->rate, 440), 0.3);
}

TEST_F(Recording, PastTheClassicLimitTheFileContinuesAsRf64) {
    rig().UseRealCapture(44100 * 4);  // one second of the output mix
    StartWindow();
    TestTone song("speakers", 440, 3.0);
    ASSERT_TRUE(song.Start());
    const std::optional<WavContents> wav = Record(2000);
    ASSERT_TRUE(wav);
    EXPECT_TRUE(wav->rf64);
    EXPECT_GT(wav->seconds(), 1.5);
    EXPECT_EQ(wav->declaredData, wav->dataOnDisk);
    EXPECT_EQ(wav->riffSize, wav->dataOnDisk + 72);
    EXPECT_GT(ToneShare(wav->Channel0(), wav->rate, 440), 0.5);
}

}  // namespace
