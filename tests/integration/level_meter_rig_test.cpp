#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

#include "controls/level_meter.h"
#include "desktop/event_loop_wait.h"
#include "services/window_messages.h"
#include "support/main_dialog_fixture.h"
#include "support/sound_rig_env.h"

namespace {

// The meter while the output mix is recorded, read as its timer reads it, until it shows
// the zone or the time is up; the output may mix ahead for a while before a new stream plays.
LevelMeter::Zone ZoneWithin(MainDialogFixture& rig, LevelMeter::Zone wanted, int ms) {
    RunEventLoopUntil(
        [&] {
            rig.timers().Fire(ID_LEVEL_METER_TIMER);
            return rig.dialog->recording().levelMeter()->barZone() == wanted;
        },
        ms);
    return rig.dialog->recording().levelMeter()->barZone();
}

TEST(LevelMeterRig, ClippingForAFullScaleInputAndNothingForSilence) {
    REQUIRE_SOUND_RIG();
    QTemporaryDir folder;
    MainDialogFixture rig{{.quiet = true, .realCapture = true}};
    rig.StoreSongOutputMixChoice();
    MainDialog& dialog = rig.Start();
    dialog.controls().EnableRecordingControls(true);
    dialog.controls().outputPathBox().setText(folder.filePath("take.wav"));
    QComboBox& inputs = dialog.controls().inputList();
    inputs.setCurrentIndex(inputs.findText("Speakers - output mix"));
    dialog.recording().OnInputSelected();

    dialog.recording().StartRecording();
    RunEventLoopFor(500);
    EXPECT_EQ(ZoneWithin(rig, LevelMeter::Zone::Safe, 500), LevelMeter::Zone::None);

    QProcess square;
    square.start("gst-launch-1.0", {"-q", "audiotestsrc", "wave=square", "volume=1", "!",
                                    "audio/x-raw,format=S16LE,rate=48000,channels=2", "!",
                                    "pulsesink", "device=speakers"});
    ASSERT_TRUE(square.waitForStarted(5000));
    EXPECT_EQ(ZoneWithin(rig, LevelMeter::Zone::Clipping, 4000), LevelMeter::Zone::Clipping);
    square.kill();
    square.waitForFinished(5000);
    dialog.recording().StopRecording();
}

}  // namespace
