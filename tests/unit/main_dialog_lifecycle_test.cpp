#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSlider>

#include "resources/resource_ids.h"
#include "services/window_messages.h"
#include "support/main_dialog_fixture.h"

namespace {

const QString kMicrophoneMessage =
    "Adjusting Microphone volume does not work in the program,\n"
    "please adjust it in Volume control or Recording Control";

void ExpectNoMediaState(MainDialog& dialog, const QString& folder) {
    EXPECT_TRUE(dialog.controls().Control(IDC_OPEN)->isEnabled());
    for (int id : {IDC_START, IDC_STOP, IDC_PLAY, IDC_BROWSE, IDC_OUTPUT_PATH})
        EXPECT_FALSE(dialog.controls().Control(id)->isEnabled()) << id;
    EXPECT_EQ(dialog.windowTitle(), "Tarvelo");
    EXPECT_EQ(dialog.controls().seekBar().value(), 0);
    EXPECT_EQ(dialog.controls().outputPathBox().text(), folder);
    EXPECT_EQ(dialog.outputPath(), folder);
}

TEST(MainDialogStartUp, FirstRunEndsInTheNoMediaStateWithTheMusicFolder) {
    MainDialogFixture harness;
    MainDialog& dialog = harness.Start();

    ExpectNoMediaState(dialog, "/home/singer/Music/");
    EXPECT_EQ(dialog.outputFolder(), "/home/singer/Music/");
    EXPECT_EQ(dialog.controls().seekBar().maximum(), 600);
    EXPECT_EQ(dialog.controls().recordingVolume().maximum(), 200);
    EXPECT_EQ(dialog.controls().recordingVolume().value(), 200);
    EXPECT_EQ(dialog.controls().mediaVolume().maximum(), 100);
    EXPECT_EQ(dialog.controls().mediaVolume().value(), 100);
    EXPECT_EQ(dialog.controls().microphoneVolume().maximum(), 200);
    EXPECT_EQ(dialog.controls().microphoneVolume().value(), 200);
    EXPECT_FALSE(dialog.launches().hintSuppressed());
    for (int id : {IDC_SPARE_LABEL, IDC_CLOSE_MEDIA, IDC_DEVICE_LABEL})
        EXPECT_TRUE(dialog.controls().Control(id)->isHidden()) << id;
    const CaptureChoices& choices = dialog.recording().captureChoices();
    EXPECT_EQ(choices.nSoundCaptureIndex, 0);
    EXPECT_EQ(choices.nCapturePinIndex, 0);
    EXPECT_EQ(choices.nSearchFlag, 0);
    EXPECT_TRUE(harness.fake.settings->writes.empty()) << "start-up only reads";
}

TEST(MainDialogStartUp, FailingQueriesShowTheirMessagesInOrderAndFallBackToHome) {
    MainDialogFixture harness;
    harness.fake.system->version.reset();
    harness.fake.system->musicFolder.reset();
    MainDialog& dialog = harness.Start();

    ASSERT_GE(harness.fake.messages->shown.size(), 2u);
    EXPECT_EQ(harness.fake.messages->shown[0].text, "Can get Windows Version");
    EXPECT_EQ(harness.fake.messages->shown[0].caption, "Error");
    EXPECT_EQ(harness.fake.messages->shown[1].text, "Can not get My Music directory!");
    EXPECT_EQ(harness.fake.messages->shown[1].caption, "Error");
    EXPECT_EQ(harness.fake.messages->shown[1].style, MB_OK);
    EXPECT_EQ(dialog.outputFolder(), QDir::homePath() + "/");
}

TEST(MainDialogStartUp, AStoredOutputFolderWinsButAFailingQueryIsStillReported) {
    MainDialogFixture harness;
    harness.fake.settings->Set("Option", "last_output_folder", "/srv/Rec/");
    harness.fake.system->musicFolder.reset();
    MainDialog& dialog = harness.Start();
    EXPECT_EQ(dialog.outputFolder(), "/srv/Rec/");
    EXPECT_EQ(harness.MessageTexts().front(), "Can not get My Music directory!");
}

TEST(MainDialogStartUp, StoredChoicesAreLoaded) {
    MainDialogFixture harness;
    harness.fake.capture->devices.clear();
    for (const char* name : {"First", "Second", "Third"}) {
        FakeDevice& device = harness.fake.capture->AddDevice(name);
        for (int i = 0; i < 6; ++i) device.AddInput(QString("Input %1").arg(i));
    }
    harness.fake.settings->Set("Option", "nSoundCaptureIndex", "2");
    harness.fake.settings->Set("Option", "nCapturePinIndex", "5");
    harness.fake.settings->Set("Option", "nSearchFlag", "1");
    harness.fake.settings->Set("Option", "b_only_once", "1");
    MainDialog& dialog = harness.Start();
    EXPECT_EQ(dialog.recording().captureChoices().nSoundCaptureIndex, 2);
    EXPECT_EQ(dialog.recording().captureChoices().nCapturePinIndex, 5);
    EXPECT_EQ(dialog.recording().captureChoices().nSearchFlag, 1);
    EXPECT_TRUE(dialog.launches().hintSuppressed());
    EXPECT_FALSE(dialog.controls().Control(IDC_INPUT_LIST)->isHidden())
        << "several devices keep the lists";
}

TEST(MainDialogStartUp, WithoutAMicrophoneControlTheSliderIsDisabledWithAMessage) {
    MainDialogFixture harness;
    MainDialog& dialog = harness.Start();
    // Without any mixer device the search has its own box first.
    ASSERT_EQ(harness.fake.messages->shown.size(), 2u);
    EXPECT_EQ(harness.fake.messages->shown.back().text, kMicrophoneMessage);
    EXPECT_EQ(harness.fake.messages->shown.back().caption, "Message");
    EXPECT_FALSE(dialog.controls().Control(IDC_MICROPHONE_VOLUME)->isEnabled());
}

TEST(MainDialogPlaybackVolume, AStoredValueOutsideTheRangeIsShownAtTheNearerEndAndKept) {
    for (const auto& [stored, position] : {std::pair{"150", 100}, std::pair{"-5", 0}}) {
        MainDialogFixture harness;
        harness.fake.settings->Set("Option", "PlaybackVolume", stored);
        MainDialog& dialog = harness.Start();
        EXPECT_EQ(dialog.controls().mediaVolume().value(), position);
        dialog.close();
        EXPECT_EQ(harness.Stored("Option", "PlaybackVolume"), stored);
    }
}

TEST(MainDialogShutdown, TheCloseBoxStoresTheChoicesTheFolderTheUpdateTimeThenTheVolume) {
    MainDialogFixture harness;
    harness.fake.settings->Set("Option", "nCapturePinIndex", "3");
    MainDialog& dialog = harness.Start();
    dialog.show();
    dialog.close();

    const std::vector<QString> expected = {"Option/nSoundCaptureIndex", "Option/nCapturePinIndex",
                                           "Option/nSearchFlag",        "Option/CaptureDevice",
                                           "Option/CaptureSource",      "Option/CapturePort",
                                           "Option/CaptureInput",       "Option/last_output_folder",
                                           "Setup/t_first_update",      "Option/PlaybackVolume"};
    EXPECT_EQ(harness.fake.settings->writes, expected);
    EXPECT_EQ(harness.Stored("Option", "nCapturePinIndex"), "3");
    EXPECT_EQ(harness.Stored("Option", "last_output_folder"), "/home/singer/Music/");
    EXPECT_EQ(harness.Stored("Option", "PlaybackVolume"), "100");
    EXPECT_FALSE(dialog.isVisible());
}

TEST(MainDialogShutdown, EndingWithoutTheCloseBoxStoresOnlyTheVolume) {
    for (const bool accepted : {true, false}) {
        MainDialogFixture harness;
        MainDialog& dialog = harness.Start();
        dialog.show();
        accepted ? dialog.accept() : dialog.reject();
        EXPECT_EQ(harness.fake.settings->writes, std::vector<QString>{"Option/PlaybackVolume"});
        dialog.close();  // a later close of the ended window stores nothing twice
    }
}

TEST(MainDialogShutdown, EscapeDoesNotEndTheWindow) {
    MainDialogFixture harness;
    MainDialog& dialog = harness.Start();
    dialog.show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &escape);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(harness.fake.settings->writes.empty());
}

TEST(MainDialogShutdown, TheTypedOutputPathIsReadAtClose) {
    MainDialogFixture harness;
    MainDialog& dialog = harness.Start();
    dialog.controls().outputPathBox().setText("/tmp/typed.wav");
    EXPECT_EQ(dialog.outputPath(), "/home/singer/Music/") << "typing alone changes nothing";
    dialog.close();
    EXPECT_EQ(dialog.outputPath(), "/tmp/typed.wav");
    EXPECT_EQ(harness.Stored("Option", "last_output_folder"), "/home/singer/Music/");
}

TEST(MainDialogCloseMedia, ThePostedCloseCommandReturnsToNoMedia) {
    MainDialogFixture harness;
    MainDialog& dialog = harness.Start();
    dialog.controls().EnableRecordingControls(true);
    dialog.DeriveOutputPath("/media/Song One.mp3");
    dialog.setWindowTitle("Song One.mp3   00:03:00");
    EXPECT_EQ(dialog.controls().outputPathBox().text(), "/home/singer/Music/Song One.wav");
    for (int id : {IDC_START, IDC_STOP, IDC_PLAY, IDC_BROWSE, IDC_OUTPUT_PATH, IDC_OPEN})
        EXPECT_TRUE(dialog.controls().Control(id)->isEnabled()) << id;

    PostCommand(&dialog, IDC_CLOSE_MEDIA);
    QCoreApplication::processEvents();
    ExpectNoMediaState(dialog, "/home/singer/Music/");
}

class MainDialogBrowse : public testing::Test {
  protected:
    MainDialogFixture harness;
    MainDialog& dialog = harness.Start();
    void Browse(std::optional<QString> answer) {
        harness.fake.fileDialogs->answers.push_back(answer);
        dialog.BrowseOutputFile();
    }
};

TEST_F(MainDialogBrowse, TheSaveDialogAsksForOneWavFileInTheOutputFolder) {
    Browse(std::nullopt);
    ASSERT_EQ(harness.fake.fileDialogs->calls.size(), 1u);
    const FileDialogCall& call = harness.fake.fileDialogs->calls[0];
    EXPECT_TRUE(call.save);
    EXPECT_EQ(call.request.title, "Select Output");
    EXPECT_EQ(call.request.initialFolder, "/home/singer/Music");
    EXPECT_EQ(call.request.fileName, "*.*");
    ASSERT_EQ(call.request.filters.size(), 1u);
    EXPECT_EQ(call.request.filters[0].label, "Wav file");
    EXPECT_EQ(call.request.filters[0].patterns, "*.wav");
    EXPECT_EQ(call.request.filterIndex, 1);
}

TEST_F(MainDialogBrowse, CancelChangesNothing) {
    Browse(std::nullopt);
    EXPECT_EQ(dialog.outputPath(), "/home/singer/Music/");
    EXPECT_EQ(dialog.outputFolder(), "/home/singer/Music/");
    EXPECT_EQ(dialog.controls().outputPathBox().text(), "/home/singer/Music/");
    EXPECT_TRUE(harness.fake.settings->writes.empty());
}

TEST_F(MainDialogBrowse, ANameWithoutExtensionInADottedFolderGetsWav) {
    Browse("/d/My.Songs/take1");
    EXPECT_EQ(dialog.outputPath(), "/d/My.Songs/take1.wav");
    EXPECT_EQ(dialog.controls().outputPathBox().text(), "/d/My.Songs/take1.wav");
    EXPECT_EQ(dialog.outputFolder(), "/d/My.Songs/");
    EXPECT_EQ(harness.Stored("Option", "last_output_folder"), "/d/My.Songs/");

    Browse("/d/My.Songs/take1.mp3");
    EXPECT_EQ(dialog.outputPath(), "/d/My.Songs/take1.wav");
    EXPECT_EQ(harness.fake.fileDialogs->calls[1].request.initialFolder, "/d/My.Songs");
}

TEST(MainDialogBrowseBare, AnOutputPathWithoutFolderOpensTheDialogInTheCurrentFolder) {
    MainDialogFixture harness;
    harness.fake.settings->Set("Option", "last_output_folder", "");
    MainDialog& dialog = harness.Start();
    dialog.DeriveOutputPath("/media/track");
    EXPECT_EQ(dialog.outputPath(), "track.wav");
    dialog.BrowseOutputFile();
    EXPECT_EQ(harness.fake.fileDialogs->calls.at(0).request.initialFolder, ".");
}

TEST(MainDialogOutputName, OpenedMediaNamesTheRecording) {
    MainDialogFixture harness;
    MainDialog& dialog = harness.Start();
    dialog.DeriveOutputPath("/media/a.b.mp3");
    EXPECT_EQ(dialog.outputPath(), "/home/singer/Music/a.b.wav");
    dialog.DeriveOutputPath("http://host/a.mp3");
    EXPECT_EQ(dialog.outputPath(), "/home/singer/Music/a.wav");
}

}  // namespace
