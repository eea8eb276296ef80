#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSlider>

#include "controls/release_slider.h"
#include "resources/resource_ids.h"
#include "support/main_dialog_fixture.h"

namespace {

const QString kNoMixer =
    "There are no mixer devices installed. The Microphone Volume of the application is useless.";
const QString kMicrophoneMessage =
    "Adjusting Microphone volume does not work in the program,\n"
    "please adjust it in Volume control or Recording Control";

// Ids of the microphone device the fake builds: speakers microphone volume 1 and mute 2,
// recording microphone volume 3 and mute 4.
constexpr DWORD kSpeakersMute = 2;
constexpr DWORD kRecordingVolume = 3;
constexpr DWORD kRecordingMute = 4;

class MicrophoneMixer : public testing::Test {
  protected:
    MainDialogFixture harness;
    FakeMixer& mixer = *harness.fake.mixer;

    QSlider& Slider() { return harness.dialog->controls().microphoneVolume(); }
    // The user lets go of the thumb at position.
    void Release(int position) {
        Slider().setValue(position);
        emit static_cast<ReleaseSlider&>(Slider()).released();
        QCoreApplication::processEvents();
    }
    std::vector<DWORD>& Values(std::size_t device, DWORD controlId) {
        return mixer.Control(device, controlId)->values;
    }
    std::vector<ShownMessage>& Shown() { return harness.fake.messages->shown; }
};

TEST_F(MicrophoneMixer, WithoutMixerDevicesBothBoxesShowAndCloseShowsTheFirstAgain) {
    MainDialog& dialog = harness.Start();
    ASSERT_EQ(harness.MessageTexts(), (std::vector<QString>{kNoMixer, kMicrophoneMessage}));
    EXPECT_EQ(Shown()[0].caption, "Error");
    EXPECT_EQ(Shown()[0].style, MB_OK);
    EXPECT_EQ(Shown()[1].caption, "Message");
    EXPECT_FALSE(Slider().isEnabled());
    EXPECT_EQ(dialog.microphone().micMixerId(), -1);

    dialog.close();
    ASSERT_EQ(Shown().size(), 3u);
    EXPECT_EQ(Shown()[2].text, kNoMixer);
}

TEST_F(MicrophoneMixer, StartUpUnmutesBothMicrophonesAndBindsTheRecordingVolume) {
    mixer.AddMicrophoneDevice("Card");
    MainDialog& dialog = harness.Start();

    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(dialog.microphone().micMixerId(), 0);
    EXPECT_EQ(dialog.microphone().micReady(), 1);
    EXPECT_TRUE(Slider().isEnabled());
    EXPECT_EQ(Values(0, kSpeakersMute), std::vector<DWORD>{0});
    EXPECT_EQ(Values(0, kRecordingMute), std::vector<DWORD>{0});
    // The probe's device is closed again; the window's stays open.
    EXPECT_EQ(mixer.log, (std::vector<QString>{"open 0 -> 2a", "set 2 = 0", "set 4 = 0", "close 2a",
                                               "open 0 -> 2b"}));
    // The change message sent while binding arrives before the slider is live; the ones
    // the probe's writes posted arrive after it and show the level.
    EXPECT_EQ(Slider().value(), 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(Slider().value(), 122);

    Release(100);
    EXPECT_EQ(Values(0, kRecordingVolume), (std::vector<DWORD>{32767, 40000}));
    EXPECT_EQ(Values(0, 1), (std::vector<DWORD>{40000, 40000})) << "speakers volume untouched";
}

TEST_F(MicrophoneMixer, SliderPositionsAndControlValuesConvertBothWays) {
    mixer.AddMicrophoneDevice("Card");
    harness.Start();
    for (const auto& [position, written] :
         {std::pair{200, 65535u}, {100, 32767u}, {50, 16383u}, {1, 327u}, {0, 0u}}) {
        Release(position);
        EXPECT_EQ(Values(0, kRecordingVolume)[0], written) << position;
    }
    for (const auto& [value, position] :
         {std::pair{65535u, 200}, {32767u, 99}, {16383u, 49}, {327u, 0}}) {
        mixer.ChangeFromOutside(0, kRecordingVolume, {value, 0});
        QCoreApplication::processEvents();
        EXPECT_EQ(Slider().value(), position) << value;
    }
}

TEST_F(MicrophoneMixer, OnlyTheLeftValueFollowsTheSliderAndIsReadBack) {
    FakeMixerDevice& device = mixer.AddMicrophoneDevice("Card");
    FakeMixerControl& mute = device.destinations[0].sources[0].controls[1];
    mute.control.fdwControl = 0;  // one mute per channel
    mute.values = {1, 1};
    harness.Start();
    EXPECT_EQ(mute.values, (std::vector<DWORD>{0, 1}));

    mixer.ChangeFromOutside(0, kRecordingVolume, {10000, 20000});
    Release(50);
    EXPECT_EQ(Values(0, kRecordingVolume), (std::vector<DWORD>{16383, 20000}));
    QCoreApplication::processEvents();
    EXPECT_EQ(Slider().value(), 49) << "the write's own change message reads it back";

    mixer.ChangeFromOutside(0, kRecordingVolume, {32767, 65535});
    QCoreApplication::processEvents();
    EXPECT_EQ(Slider().value(), 99);
}

TEST_F(MicrophoneMixer, CloseMutesThePlaythroughAndGivesTheRecordingMuteBack) {
    for (const DWORD before : {0u, 1u}) {
        MainDialogFixture run;
        FakeMixer& fake = *run.fake.mixer;
        fake.AddMicrophoneDevice("Card");
        fake.Control(0, kRecordingMute)->values = {before};
        MainDialog& dialog = run.Start();
        EXPECT_EQ(fake.Control(0, kRecordingMute)->values[0], 0u);

        dialog.show();
        dialog.close();
        EXPECT_EQ(fake.Control(0, kSpeakersMute)->values[0], 1u);
        EXPECT_EQ(fake.Control(0, kRecordingMute)->values[0], before);
        EXPECT_EQ(fake.log.back(), "close 2b") << "the window's mixer closes last";
        EXPECT_TRUE(run.fake.messages->shown.empty());
    }
}

TEST_F(MicrophoneMixer, ARecordingMuteThisRunNeverTouchedIsLeftAlone) {
    mixer.AddMicrophoneDevice("Card");
    Values(0, kRecordingMute) = {0};
    harness.Create().microphone().FindMicrophoneMixer(1);
    EXPECT_EQ(Values(0, kRecordingMute), std::vector<DWORD>{0});
    EXPECT_EQ(Values(0, kSpeakersMute), std::vector<DWORD>{1});
}

TEST_F(MicrophoneMixer, ADeviceWithoutMicrophoneIsOpenedProbedClosedAndSkipped) {
    FakeMixerDevice& lineIn = mixer.AddDevice("Line in only");
    mixer.AddDestination(lineIn, MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    FakeMixerLine& line = mixer.AddSource(lineIn, 0, 0x1002 /* line */);
    const DWORD lineMute = mixer.AddControl(lineIn, line, MIXERCONTROL_CONTROLTYPE_MUTE,
                                            MIXERCONTROL_CONTROLF_UNIFORM, 1, 1);
    mixer.AddMicrophoneDevice("Card");
    MainDialog& dialog = harness.Start();

    EXPECT_EQ(dialog.microphone().micMixerId(), 1);
    EXPECT_EQ(dialog.microphone().micReady(), 1);
    EXPECT_EQ(Values(0, lineMute), std::vector<DWORD>{1});
    EXPECT_EQ(Values(1, kSpeakersMute), std::vector<DWORD>{0});
    EXPECT_EQ(mixer.log,
              (std::vector<QString>{"open 0 -> 2a", "close 2a", "open 1 -> 2b", "set 2 = 0",
                                    "set 4 = 0", "close 2b", "open 1 -> 2c"}));
}

TEST_F(MicrophoneMixer, ADisabledVolumeShowsOnlyItsOwnBoxThenDisablesTheSlider) {
    FakeMixerDevice& device = mixer.AddDevice("Card");
    mixer.AddDestination(device, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    mixer.AddDestination(device, MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    FakeMixerLine& speakersMic = mixer.AddSource(device, 0, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE);
    mixer.AddControl(device, speakersMic, MIXERCONTROL_CONTROLTYPE_VOLUME);
    mixer.AddControl(device, speakersMic, MIXERCONTROL_CONTROLTYPE_MUTE);
    FakeMixerLine& recordingMic =
        mixer.AddSource(device, 1, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE);
    mixer.AddControl(device, recordingMic, MIXERCONTROL_CONTROLTYPE_MUTE);
    mixer.AddControl(device, recordingMic, MIXERCONTROL_CONTROLTYPE_BOOLEAN);
    const DWORD volume = mixer.AddControl(device, recordingMic, MIXERCONTROL_CONTROLTYPE_VOLUME,
                                          MIXERCONTROL_CONTROLF_DISABLED);
    ASSERT_EQ(volume, 5u);
    MainDialog& dialog = harness.Start();
    dialog.show();

    ASSERT_EQ(harness.MessageTexts(), (std::vector<QString>{"This control (ctrlid=00000005h) is "
                                                            "disabled.",
                                                            kMicrophoneMessage}));
    EXPECT_EQ(Shown()[0].caption, "Tarvelo");
    EXPECT_EQ(Shown()[0].style, MB_ICONEXCLAMATION);
    EXPECT_EQ(dialog.microphone().micReady(), 0);
    EXPECT_FALSE(Slider().isEnabled());

    mixer.ChangeFromOutside(0, 1, {100, 100});
    QCoreApplication::processEvents();
    EXPECT_EQ(Slider().value(), 200) << "changes are ignored while the slider is not live";
    dialog.close();
    EXPECT_EQ(std::count(mixer.log.begin(), mixer.log.end(), "close 2b"), 0)
        << "the window's mixer closes only when the slider was live";
}

TEST_F(MicrophoneMixer, AnUnopenableDeviceEndsTheSearch) {
    mixer.AddMicrophoneDevice("First");
    mixer.AddMicrophoneDevice("Second");
    mixer.failing["open"] = MMSYSERR_ALLOCATED;
    MainDialog& dialog = harness.Start();
    EXPECT_EQ(harness.MessageTexts(),
              (std::vector<QString>{"mixerOpen() failed on uMxId=0, mmr=4!", kMicrophoneMessage}));
    EXPECT_EQ(dialog.microphone().micMixerId(), -1);
}

TEST_F(MicrophoneMixer, FailuresAreReportedWithHandlesAndIdsInHex) {
    mixer.AddMicrophoneDevice("Card");
    mixer.nextHandle = 0x12345;
    mixer.failing["getDetails"] = MMSYSERR_INVALPARAM;
    harness.Start();
    const std::vector<QString> expected = {
        // The probe meets two mute switches; each failing read names the control type.
        "mixerGetControlDetails(ctrlid=00000002h) failed on hmx=12345h, mmr=11!",
        "Do not know how to deal with control type=20010002h!",
        "mixerGetControlDetails(ctrlid=00000004h) failed on hmx=12345h, mmr=11!",
        "Do not know how to deal with control type=20010002h!",
    };
    const std::vector<QString> texts = harness.MessageTexts();
    ASSERT_GE(texts.size(), expected.size());
    EXPECT_EQ(std::vector<QString>(texts.begin(), texts.begin() + 4), expected);

    MainDialogFixture small;
    small.fake.mixer->AddMicrophoneDevice("Card");
    small.fake.mixer->failing["lineInfo(lineid)"] = MIXERR_INVALLINE;
    small.Start();
    EXPECT_EQ(small.MessageTexts().front(),
              "mixerGetLineInfo(lineid=00010000h) failed on hmx=002Ah, mmr=1024!");
}

TEST_F(MicrophoneMixer, AFailingWriteOfTheSliderIsReportedAndTheSliderKeepsItsPosition) {
    mixer.AddMicrophoneDevice("Card");
    harness.Start();
    QCoreApplication::processEvents();
    mixer.failing["setDetails"] = MMSYSERR_ERROR;
    Release(30);
    EXPECT_EQ(harness.MessageTexts(),
              std::vector<QString>{"mixerSetControlDetails(ctrlid=00000003h) failed on "
                                   "hmx=002Bh, mmr=1!"});
    EXPECT_EQ(Slider().value(), 30);
    EXPECT_EQ(Values(0, kRecordingVolume)[0], 40000u);
}

}  // namespace
