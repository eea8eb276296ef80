#include <gtest/gtest.h>

#include <QPushButton>
#include <QSpinBox>

#include "dialogs/voice_timing_dialog.h"
#include "fakes/fake_capture.h"
#include "resources/resource_ids.h"
#include "support/main_dialog_fixture.h"

namespace {

TEST(VoiceTiming, IsStoredWithinItsRangeAndReachesTheCaptureSide) {
    MainDialogFixture rig;
    rig.Store("n_voice_offset_ms", 900);
    rig.Store("b_keep_voice_track", 1);
    MainDialog& dialog = rig.Start();
    EXPECT_EQ(rig.fake.capture->voiceTiming.offsetMs, 300);
    EXPECT_TRUE(rig.fake.capture->voiceTiming.keepVoiceTrack);

    dialog.OnCommand(ID_KEEP_VOICE_TRACK);
    dialog.recording().SetVoiceOffset(-45);
    EXPECT_FALSE(rig.fake.capture->voiceTiming.keepVoiceTrack);
    EXPECT_EQ(rig.fake.capture->voiceTiming.offsetMs, -45);
    EXPECT_EQ(rig.Stored("b_keep_voice_track"), 0);
    EXPECT_EQ(rig.Stored("n_voice_offset_ms"), -45);
}

TEST(VoiceTiming, MeasureProposesTheOffsetOrSaysWhyItCannot) {
    MainDialogFixture rig;
    FakeCaptureSystem& capture = *rig.fake.capture;
    VoiceTimingDialog dialog(rig.fake.platform, 40, false);
    capture.measuredOffsetMs = 152;
    dialog.measureButton()->click();
    EXPECT_EQ(dialog.offsetMs(), 152);
    EXPECT_TRUE(rig.fake.messages->shown.empty());

    capture.measureAnswer = VOICE_NOTHING_HEARD;
    capture.measuredOffsetMs = 7;
    dialog.measureButton()->click();
    capture.measureAnswer = VOICE_NO_MICROPHONE;
    dialog.measureButton()->click();
    EXPECT_EQ(dialog.offsetMs(), 152);
    ASSERT_EQ(rig.fake.messages->shown.size(), 2u);
    EXPECT_TRUE(rig.fake.messages->shown[0].text.startsWith("The microphone did not hear"));
    EXPECT_EQ(rig.fake.messages->shown[1].text, "There is no microphone to listen with.");

    // While recording, clicks would land in the take.
    EXPECT_FALSE(VoiceTimingDialog(rig.fake.platform, 0, true).measureButton()->isEnabled());
}

}  // namespace
