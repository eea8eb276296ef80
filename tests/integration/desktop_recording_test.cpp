#include <gtest/gtest.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include "desktop/event_loop_wait.h"
#include "pulse/sound_server.h"
#include "resources/resource_ids.h"
#include "support/main_dialog_fixture.h"
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
        rig = std::make_unique<MainDialogFixture>(
            MainDialogOptions{.quiet = true, .realCapture = true});
        rig->StoreSongOutputMixChoice();
        server = rig->fake.platform.soundServer.get();
        ASSERT_TRUE(server->WaitUntilReady(3000));
    }
    MainDialog& StartWindow() {
        MainDialog& dialog = rig->Start();
        dialog.controls().EnableRecordingControls(true);  // as after opening a media file
        dialog.controls().outputPathBox().setText(Output());
        return dialog;
    }
    bool WaitForModel(const std::function<bool(const SoundModel&)>& done) {
        return RunEventLoopUntil([&] { return done(server->model()); }, 5000);
    }
    QString Output() const { return folder.filePath("take.wav"); }
    QString ChosenInput() const { return rig->dialog->controls().inputList().currentText(); }
    QStringList DeviceChanges() const {
        QStringList texts;
        for (const ShownMessage& shown : rig->Shown("DirectShow Audio Capture Sample"))
            texts << shown.text;
        return texts;
    }
    // Records while a song of the given tone plays on sink, and answers the tone's share.
    double RecordSong(const QString& sink, double hz) {
        TestTone song(sink, hz, 3.0);
        if (!song.Start()) return 0;
        rig->dialog->OnCommand(IDC_START);
        RunEventLoopFor(1500);
        rig->dialog->OnCommand(IDC_STOP);
        const std::optional<WavContents> wav = ReadWav(Output());
        return wav ? ToneShare(wav->Channel0(), wav->rate, hz) : 0;
    }

    QTemporaryDir folder;
    RigDevices devices;
    std::unique_ptr<MainDialogFixture> rig;
    SoundServer* server = nullptr;
};

TEST_F(DesktopRecording, TheFirstRunRecordsTheOutputTheSongPlaysOnWhereverItMoves) {
    ASSERT_TRUE(devices.PlugDesktop());
    ASSERT_TRUE(WaitForModel([](const SoundModel& model) {
        return model.defaultSink == "headset" && model.SourceNamed("webcam") &&
               model.SourceNamed("headset.monitor");
    }));
    StartWindow();
    EXPECT_EQ(ChosenInput(), "Headset Analog Stereo - output mix");
    EXPECT_GT(RecordSong("headset", 440), 0.5);

    RigDevices::Pactl({"set-default-sink", "speakers"});
    ASSERT_TRUE(
        WaitForModel([](const SoundModel& model) { return model.defaultSink == "speakers"; }));
    EXPECT_GT(RecordSong("speakers", 523), 0.5);
}

TEST_F(DesktopRecording,
       ASourceRemovedWhileRecordingIsReportedTheTakeKeptAndRecordedAgainWhenBack) {
    ASSERT_TRUE(devices.PlugOutput("stage", "Stage"));
    ASSERT_TRUE(WaitForModel(
        [](const SoundModel& model) { return model.SourceNamed("stage.monitor") != nullptr; }));
    MainDialog& dialog = StartWindow();
    QComboBox& inputs = dialog.controls().inputList();
    inputs.setCurrentIndex(inputs.findText("Stage - output mix"));
    dialog.recording().OnInputSelected();
    TestTone song("stage", 440, 5.0);
    ASSERT_TRUE(song.Start());
    dialog.OnCommand(IDC_START);
    ASSERT_TRUE(
        RunEventLoopUntil([&] { return QFileInfo(Output()).size() > 80 + 48000 * 4; }, 8000));

    ASSERT_TRUE(devices.Replug("stage"));
    ASSERT_TRUE(RunEventLoopUntil([&] { return !dialog.recording().isRecording(); }, 5000));
    const qint64 kept = QFileInfo(Output()).size();
    EXPECT_GT(kept, 80 + 48000 * 4);
    // The source is back at once: the capture side is built again, with the same input.
    ASSERT_TRUE(RunEventLoopUntil([&] { return DeviceChanges().size() == 2; }, 5000));
    EXPECT_EQ(DeviceChanges(), QStringList({"The selected input device was removed!",
                                            "The audio input device has been reattached!"}));
    EXPECT_EQ(ChosenInput(), "Stage - output mix");

    // Unplugged for a while, then plugged in again: recorded again without a restart.
    ASSERT_TRUE(devices.Unplug("stage"));
    ASSERT_TRUE(RunEventLoopUntil([&] { return DeviceChanges().size() == 3; }, 5000));
    dialog.OnCommand(IDC_START);
    EXPECT_FALSE(dialog.recording().isRecording());
    EXPECT_EQ(QFileInfo(Output()).size(), kept);
    ASSERT_TRUE(devices.PlugOutput("stage", "Stage"));
    ASSERT_TRUE(RunEventLoopUntil([&] { return DeviceChanges().size() == 4; }, 5000));
    EXPECT_EQ(DeviceChanges().back(), "The audio input device has been reattached!");
    EXPECT_EQ(ChosenInput(), "Stage - output mix");
    const QString again = folder.filePath("again.wav");
    dialog.controls().outputPathBox().setText(again);
    dialog.OnCommand(IDC_START);
    EXPECT_TRUE(dialog.recording().isRecording());
    EXPECT_TRUE(RunEventLoopUntil([&] { return QFileInfo(again).size() > 80 + 48000; }, 5000));
    dialog.OnCommand(IDC_STOP);
}

TEST_F(DesktopRecording, AnInputThatDeliversNothingStillStops) {
    ASSERT_TRUE(devices.PlugMicrophone("silent_mic", "Silent Microphone", 1, "microphone"));
    ASSERT_TRUE(WaitForModel(
        [](const SoundModel& model) { return model.SourceNamed("silent_mic") != nullptr; }));
    MainDialog& dialog = StartWindow();
    QComboBox& inputs = dialog.controls().inputList();
    inputs.setCurrentIndex(inputs.findText("Silent Microphone"));
    dialog.recording().OnInputSelected();
    dialog.OnCommand(IDC_START);
    RunEventLoopFor(500);
    QElapsedTimer stopping;
    stopping.start();
    dialog.OnCommand(IDC_STOP);
    EXPECT_LT(stopping.elapsed(), 6000);
    EXPECT_FALSE(dialog.recording().isRecording());
}

TEST_F(DesktopRecording, TheChoiceIsFoundAgainByNameAndReportedOnceWhenGone) {
    ASSERT_TRUE(devices.PlugOutput("stage", "Stage"));
    ASSERT_TRUE(WaitForModel(
        [](const SoundModel& model) { return model.SourceNamed("stage.monitor") != nullptr; }));
    MainDialog& first = StartWindow();
    QComboBox& inputs = first.controls().inputList();
    inputs.setCurrentIndex(inputs.findText("Stage - output mix"));
    first.recording().OnInputSelected();
    first.close();

    // A microphone plugged in meanwhile moves every output mix one place down.
    ASSERT_TRUE(devices.PlugMicrophone("usb_mic", "USB Microphone", 1, "microphone"));
    ASSERT_TRUE(WaitForModel(
        [](const SoundModel& model) { return model.SourceNamed("usb_mic") != nullptr; }));
    StartWindow();
    EXPECT_EQ(ChosenInput(), "Stage - output mix");
    rig->dialog->close();

    devices.Unplug("stage");
    ASSERT_TRUE(WaitForModel(
        [](const SoundModel& model) { return model.SourceNamed("stage.monitor") == nullptr; }));
    StartWindow();
    EXPECT_EQ(rig->dialog->controls().status().text(),
              "Status : Ready - the input \"Stage - output mix\" is not there");
    rig->dialog->close();
    StartWindow();
    EXPECT_EQ(rig->dialog->controls().status().text(), "Status : Ready");
}

}  // namespace
