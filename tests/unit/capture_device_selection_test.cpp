#include <gtest/gtest.h>

#include <QComboBox>
#include <QSlider>

#include "recording/mix_input_keywords.h"
#include "resources/resource_ids.h"
#include "support/main_dialog_fixture.h"

namespace {

class CaptureDeviceSelection : public ::testing::Test {
  protected:
    FakeDevice& Device(const QString& name, std::initializer_list<const char*> inputs) {
        FakeDevice& device = rig.fake.capture->AddDevice(name);
        for (const char* input : inputs) device.AddInput(input);
        return device;
    }
    void SetUp() override { rig.fake.capture->devices.clear(); }

    QStringList Entries(int id) const {
        QStringList entries;
        const auto* list = qobject_cast<const QComboBox*>(rig.dialog->controls().Control(id));
        for (int i = 0; i < list->count(); ++i) entries << list->itemText(i);
        return entries;
    }
    static std::vector<bool> Enabled(const FakeDevice& device) {
        std::vector<bool> enabled;
        for (const auto& pin : device.filter->pins) {
            if (pin->direction == PinDirection::Input && pin->mixer)
                enabled.push_back(pin->mixer->enabled);
        }
        return enabled;
    }

    MainDialogFixture rig{{.quiet = true}};
};

TEST(MixInputKeywords, MatchTheMixInputNamesOnly) {
    for (const char* name : {"What U Hear", "Wave Out Mix", "Mono Mix", "Playback Output",
                             "Stereo Mix", "Speakers - output mix"})
        EXPECT_TRUE(IsMixInputName(name)) << name;
    for (const char* name : {"Line Out", "Microphone", "Aux", "Singer", "CD Player"})
        EXPECT_FALSE(IsMixInputName(name)) << name;
    // A device's own input is never the mix, however drivers describe microphones.
    for (const char* name : {"Webcam Analog Stereo", "Headphones Stereo Microphone"})
        EXPECT_FALSE(IsMixInput(name, InputKind::DeviceInput)) << name;
    EXPECT_TRUE(IsMixInput("Speakers - output mix", InputKind::OutputMix));
    EXPECT_TRUE(IsMixInput("Stereo Mix", InputKind::Unknown));
}

TEST_F(CaptureDeviceSelection, FirstRunFindsTheMixInputAndHidesBothLists) {
    FakeDevice& card = Device("Sound Card", {"Microphone", "CD Player", "Line In", "Stereo Mix"});
    MainDialog& dialog = rig.Start();

    EXPECT_EQ(Entries(IDC_INPUT_LIST),
              QStringList({"Microphone", "CD Player", "Line In", "Stereo Mix"}));
    EXPECT_EQ(dialog.controls().inputList().currentIndex(), 3);
    EXPECT_EQ(Enabled(card), std::vector<bool>({false, false, false, true}));
    EXPECT_EQ(dialog.recording().captureChoices().nCapturePinIndex, 3);
    EXPECT_EQ(dialog.recording().captureChoices().nSearchFlag, 1);
    EXPECT_TRUE(dialog.controls().deviceList().isHidden());
    EXPECT_TRUE(dialog.controls().inputList().isHidden());
    EXPECT_EQ(rig.graph().added, std::vector<QString>({"Audio Capture"}));

    dialog.close();
    EXPECT_EQ(rig.Stored("nSoundCaptureIndex"), 0);
    EXPECT_EQ(rig.Stored("nCapturePinIndex"), 3);
    EXPECT_EQ(rig.Stored("nSearchFlag"), 1);
}

TEST_F(CaptureDeviceSelection, TheSearchPassesOverMicrophonesNamedLikeAMix) {
    FakeDevice& card = Device("Webcam", {});
    card.AddInput("Webcam Analog Stereo").kind = InputKind::DeviceInput;
    card.AddInput("Speakers - output mix").kind = InputKind::OutputMix;
    EXPECT_EQ(rig.Start().recording().captureChoices().nCapturePinIndex, 1);
}

TEST_F(CaptureDeviceSelection, TheFirstMatchingInputWins) {
    Device("Sound Card", {"Microphone", "Wave", "Stereo Mix"});
    EXPECT_EQ(rig.Start().recording().captureChoices().nCapturePinIndex, 1);
}

TEST_F(CaptureDeviceSelection, WithoutAMatchTheStoredInputIsUsedAndTheListStays) {
    FakeDevice& card = Device("Sound Card", {"Microphone", "Line In"});
    MainDialog& dialog = rig.Start();
    EXPECT_EQ(dialog.recording().captureChoices().nSearchFlag, 0);
    EXPECT_EQ(dialog.controls().inputList().currentIndex(), 0);
    EXPECT_EQ(Enabled(card), std::vector<bool>({true, false}));
    EXPECT_FALSE(dialog.controls().inputList().isHidden());
}

TEST_F(CaptureDeviceSelection, AFoundMixInputIsNotSearchedAgain) {
    Device("Sound Card", {"Microphone", "Stereo Mix", "Line In"});
    rig.Store("nSearchFlag", 1);
    rig.Store("nCapturePinIndex", 2);
    MainDialog& dialog = rig.Start();
    EXPECT_EQ(dialog.controls().inputList().currentIndex(), 2);
    EXPECT_EQ(dialog.recording().captureChoices().nCapturePinIndex, 2);
}

TEST(CaptureDeviceStoredIndexes, ImpossibleOnesCountAsNoneStoredAndAreNotStoredAgain) {
    struct Stored {
        int device;
        int input;
    };
    for (const Stored stored : {Stored{0, 5}, Stored{0, -1}, Stored{-1, 0}, Stored{7, 0}}) {
        MainDialogFixture rig{{.quiet = true}};
        rig.fake.capture->devices.clear();
        FakeDevice& card = rig.fake.capture->AddDevice("Sound Card");
        for (const char* input : {"Microphone", "Stereo Mix"}) card.AddInput(input);
        rig.Store("nSearchFlag", 1);
        rig.Store("nSoundCaptureIndex", stored.device);
        rig.Store("nCapturePinIndex", stored.input);
        MainDialog& dialog = rig.Start();
        // The first run's search chooses, as if nothing had been stored.
        EXPECT_EQ(dialog.controls().inputList().currentIndex(), 1) << stored.device << stored.input;
        EXPECT_TRUE(card.filter->pins.back()->mixer->enabled);
        dialog.close();
        EXPECT_EQ(rig.Stored("nSoundCaptureIndex"), 0);
        EXPECT_EQ(rig.Stored("nCapturePinIndex"), 1);
    }
}

TEST_F(CaptureDeviceSelection, AnIndexStoredWithoutNamesCountsOnlyTheServersDevices) {
    Device("Song and microphone", {"Song and microphone mix"}).stableName =
        kSongAndMicrophoneStableName;
    Device("Sound Card", {"Microphone", "Stereo Mix"});
    Device("USB Headset", {"Microphone"});
    rig.Store("nSearchFlag", 1);
    rig.Store("nSoundCaptureIndex", 1);
    MainDialog& dialog = rig.Start();
    EXPECT_EQ(dialog.controls().deviceList().currentText(), "USB Headset");
    dialog.close();
    EXPECT_EQ(rig.Stored("nSoundCaptureIndex"), 2);
}

TEST_F(CaptureDeviceSelection, ADeviceChosenWithFewerInputsSelectsNoInput) {
    Device("Sound Card", {"Microphone", "Line In", "Stereo Mix"});
    FakeDevice& small = Device("Webcam", {"Microphone"});
    rig.Store("nSearchFlag", 1);
    rig.Store("nCapturePinIndex", 2);
    MainDialog& dialog = rig.Start();
    dialog.controls().deviceList().setCurrentIndex(1);
    dialog.recording().SelectCaptureDevice();
    EXPECT_EQ(dialog.controls().inputList().currentIndex(), -1);
    EXPECT_EQ(Enabled(small), std::vector<bool>({false}));

    // The slider then sets no level and keeps every input disabled.
    dialog.recording().OnRecordingSliderReleased();
    for (const auto& pin : small.filter->pins) {
        if (pin->mixer) {
            EXPECT_TRUE(pin->mixer->levelsSet.empty());
        }
    }
}

TEST_F(CaptureDeviceSelection, TwoDevicesKeepBothListsAndEachEntrySelectsItsOwnDevice) {
    FakeDevice& first = Device("USB Audio", {"Microphone", "Stereo Mix"});
    FakeDevice& second = Device("USB Audio", {"Line In", "What U Hear"});
    rig.Store("nSoundCaptureIndex", 3);
    MainDialog& dialog = rig.Start();

    EXPECT_EQ(Entries(IDC_DEVICE_LIST), QStringList({"USB Audio", "USB Audio"}));
    EXPECT_EQ(dialog.recording().captureChoices().captureDeviceCount, 2);
    EXPECT_FALSE(dialog.controls().deviceList().isHidden());
    EXPECT_FALSE(dialog.controls().inputList().isHidden());
    EXPECT_EQ(first.binds, 1);

    // Another device: a fresh graph, its inputs, the same input index without a search.
    dialog.controls().deviceList().setCurrentIndex(1);
    dialog.recording().SelectCaptureDevice();
    EXPECT_EQ(second.binds, 1);
    EXPECT_EQ(rig.fake.capture->graphs.size(), 2u);
    EXPECT_EQ(Entries(IDC_INPUT_LIST), QStringList({"Line In", "What U Hear"}));
    EXPECT_EQ(Enabled(second), std::vector<bool>({false, true}));

    dialog.controls().deviceList().setCurrentIndex(0);
    dialog.recording().SelectCaptureDevice();
    dialog.close();
    EXPECT_EQ(rig.Stored("nSoundCaptureIndex"), 0);
}

TEST_F(CaptureDeviceSelection, NoDeviceShowsTheStopMessageAndEndsTheProgram) {
    rig.Store("nSearchFlag", 1);
    MainDialog& dialog = rig.Start();
    int ended = 0;
    QObject::connect(&dialog, &QDialog::rejected, [&] { ++ended; });
    const auto shown = rig.Shown("No audio capture hardware!");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].style, 0x10u);
    EXPECT_TRUE(shown[0].text.startsWith(
        "There were no audio capture devices detected on this system.\r\n\r\n"));
    EXPECT_TRUE(shown[0].text.endsWith("\r\n\r\nThis program will now exit."));
    rig.Deliver();
    EXPECT_EQ(ended, 1);
    // The capture choices are not stored on this way out.
    EXPECT_EQ(rig.Stored("nCapturePinIndex"), 0);
}

TEST_F(CaptureDeviceSelection, AFailingEnumeratorEndsTheProgramSilently) {
    Device("Sound Card", {"Stereo Mix"});
    rig.fake.capture->classEnumeratorResult = E_FAIL;
    MainDialog& dialog = rig.Start();
    int ended = 0;
    QObject::connect(&dialog, &QDialog::rejected, [&] { ++ended; });
    EXPECT_TRUE(rig.Shown("No audio capture hardware!").empty());
    EXPECT_EQ(dialog.controls().deviceList().count(), 0);
    EXPECT_EQ(dialog.recording().recorder().graph, nullptr);
    rig.Deliver();
    EXPECT_EQ(ended, 1);
}

TEST_F(CaptureDeviceSelection, AnUnreadableDeviceIsLeftOutButALastOneFailsTheStart) {
    Device("Broken", {"Stereo Mix"}).nameResult = E_FAIL;
    Device("Sound Card", {"Stereo Mix"});
    MainDialog& dialog = rig.Start();
    EXPECT_EQ(Entries(IDC_DEVICE_LIST), QStringList({"Sound Card"}));
    EXPECT_NE(dialog.recording().recorder().graph, nullptr);

    MainDialogFixture lastFails{{.quiet = true}};
    lastFails.fake.capture->AddDevice("Broken").nameResult = E_FAIL;
    int ended = 0;
    QObject::connect(&lastFails.Start(), &QDialog::rejected, [&] { ++ended; });
    lastFails.Deliver();
    EXPECT_EQ(ended, 1);
}

TEST_F(CaptureDeviceSelection, UnreadablePinsShowAsErrorsAndPinsWithoutMixerAreLeftAlone) {
    FakeDevice& card = Device("Sound Card", {"Microphone", "Odd", "Stereo Mix"});
    card.filter->pins[2]->directionFails = true;
    card.filter->pins[1]->mixer.reset();
    MainDialog& dialog = rig.Start();
    EXPECT_EQ(Entries(IDC_INPUT_LIST), QStringList({"Microphone", "<ERROR>", "Stereo Mix"}));
    // "<ERROR>" takes no pin index: the mix input is the second named pin.
    EXPECT_EQ(dialog.recording().captureChoices().nCapturePinIndex, 1);
    EXPECT_TRUE(card.filter->pins[3]->mixer->enabled);
    EXPECT_EQ(card.filter->pins[1]->mixer, nullptr);

    MainDialogFixture noPins{{.quiet = true}};
    noPins.fake.capture->devices.front()->filter->enumResult = E_FAIL;
    noPins.Start();
    EXPECT_EQ(noPins.dialog->controls().inputList().itemText(0), "<ERROR>");
}

TEST_F(CaptureDeviceSelection, TheSliderFollowsTheSelectedInputsLevel) {
    FakeDevice& card = Device("Sound Card", {"Microphone", "Stereo Mix"});
    card.filter->pins[2]->mixer->level = 0.5;
    MainDialog& dialog = rig.Start();
    EXPECT_EQ(dialog.controls().recordingVolume().value(), 100);

    card.filter->pins[2]->mixer->level = -1.0;  // automatic gain
    dialog.recording().ApplyInputSelection();
    EXPECT_EQ(dialog.controls().recordingVolume().value(), 0);

    card.filter->pins[2]->mixer->level = 0.8;
    card.filter->pins[2]->mixer->levelResult = E_FAIL;
    dialog.recording().ApplyInputSelection();
    EXPECT_EQ(dialog.controls().recordingVolume().value(), 0);

    dialog.controls().recordingVolume().setValue(150);
    dialog.recording().OnRecordingSliderReleased();
    EXPECT_EQ(card.filter->pins[2]->mixer->levelsSet, std::vector<double>({0.75}));
    EXPECT_TRUE(card.filter->pins[1]->mixer->levelsSet.empty());
    EXPECT_EQ(Enabled(card), std::vector<bool>({false, true}));
}

}  // namespace
