#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>

#include "resources/resource_ids.h"
#include "support/real_capture.h"
#include "support/rig_devices.h"
#include "support/sound_rig_env.h"
#include "support/test_tone.h"
#include "support/tone_analysis.h"
#include "support/wav_reader.h"

// Recording on a server shaped like a desktop: several outputs, the default not the first,
// microphones described as drivers describe them, devices that come and go.
namespace {

class DesktopRecording : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_SOUND_RIG();
        server = &UseRealCapture(rig);
        ASSERT_TRUE(server->WaitUntilReady(3000));
    }
    MainDialog& StartWindow() {
        MainDialog& dialog = rig.Start();
        dialog.EnableRecordingControls(true);  // as after opening a media file
        dialog.Edit(IDC_OUTPUT_PATH)->setText(Output());
        return dialog;
    }
    bool WaitForModel(const std::function<bool(const SoundModel&)>& done) {
        return RunUntil([&] { return done(server->model()); }, 5000);
    }
    QString Output() const { return folder.filePath("take.wav"); }
    QString ChosenInput() const { return rig.dialog->ComboBox(IDC_INPUT_LIST)->currentText(); }
    // Records while a song of the given tone plays on sink, and answers the tone's share.
    double RecordSong(const QString& sink, double hz) {
        TestTone song(sink, hz, 3.0);
        if (!song.Start()) return 0;
        rig.dialog->OnCommand(IDC_START);
        RunUntil([] { return false; }, 1500);
        rig.dialog->OnCommand(IDC_STOP);
        const std::optional<WavContents> wav = ReadWav(Output());
        return wav ? ToneShare(wav->Channel0(), wav->rate, hz) : 0;
    }

    QTemporaryDir folder;
    MainDialogRig rig;
    RigDevices devices;
    SoundServer* server = nullptr;
};

TEST_F(DesktopRecording, TheFirstRunRecordsTheOutputTheSongPlaysOnWhereverItMoves) {
    ASSERT_TRUE(devices.PlugDesktop());
    ASSERT_TRUE(WaitForModel([](const SoundModel& model) {
        return model.defaultSink == "headset" && model.SourceNamed("webcam") &&
               model.SourceNamed("headset.monitor");
    }));
    StartWindow();
    // Neither "Stereo Microphone" nor "Webcam Analog Stereo" is taken for the mix.
    EXPECT_EQ(ChosenInput(), "Headset Analog Stereo - output mix");
    EXPECT_GT(RecordSong("headset", 440), 0.5);

    RigDevices::Pactl({"set-default-sink", "speakers"});
    ASSERT_TRUE(
        WaitForModel([](const SoundModel& model) { return model.defaultSink == "speakers"; }));
    EXPECT_GT(RecordSong("speakers", 523), 0.5);
}

TEST_F(DesktopRecording, ASourceRemovedAndRecreatedWhileRecordingIsReported) {
    ASSERT_TRUE(devices.PlugOutput("stage", "Stage"));
    ASSERT_TRUE(WaitForModel(
        [](const SoundModel& model) { return model.SourceNamed("stage.monitor") != nullptr; }));
    MainDialog& dialog = StartWindow();
    QComboBox* inputs = dialog.ComboBox(IDC_INPUT_LIST);
    inputs->setCurrentIndex(inputs->findText("Stage - output mix"));
    dialog.OnInputSelected();
    TestTone song("stage", 440, 5.0);
    ASSERT_TRUE(song.Start());
    dialog.OnCommand(IDC_START);
    ASSERT_TRUE(RunUntil([&] { return QFileInfo(Output()).size() > 80 + 48000 * 4; }, 8000));

    ASSERT_TRUE(devices.Replug("stage"));
    ASSERT_TRUE(RunUntil([&] { return !dialog.isRecording(); }, 5000));
    const auto shown = rig.Shown("DirectShow Audio Capture Sample");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "The selected input device was removed!");
}

}  // namespace
