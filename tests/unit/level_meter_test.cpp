#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include "controls/level_meter.h"
#include "resources/resource_ids.h"
#include "services/window_messages.h"
#include "support/main_dialog_fixture.h"

namespace {

using Zone = LevelMeter::Zone;
using std::chrono::milliseconds;

TEST(LevelMeterTest, ZonesAndAPeakHeldForASecond) {
    EXPECT_EQ(LevelMeter::ZoneOf(-6), Zone::Safe);
    EXPECT_EQ(LevelMeter::ZoneOf(-5.9), Zone::Loud);

    LevelMeter meter;
    const LevelMeter::Clock::time_point start{};
    meter.ShowPeak(0, start);
    meter.ShowPeak(-30, start + milliseconds(600));
    EXPECT_EQ(meter.barZone(), Zone::Safe);
    EXPECT_EQ(meter.holdZone(), Zone::Clipping);
    meter.ShowPeak(-3, start + milliseconds(1000));
    EXPECT_EQ(meter.holdZone(), Zone::Loud) << "the hold lasts a second";
    meter.Clear();
    EXPECT_FALSE(meter.active());
}

TEST(LevelMeterTest, TheStatusLineShowsTheInputsPeakOnlyWhileRecording) {
    QTemporaryDir folder;
    MainDialogFixture rig{{.quiet = true}};
    MainDialog& dialog = rig.Start();
    dialog.controls().EnableRecordingControls(true);
    dialog.controls().outputPathBox().setText(folder.filePath("take.wav"));
    dialog.show();
    dialog.recording().StartRecording();
    const LevelMeter* meter = dialog.recording().levelMeter();
    ASSERT_NE(meter, nullptr);
    rig.graph().peakDecibels = -2;
    rig.timers().Fire(ID_LEVEL_METER_TIMER);
    EXPECT_TRUE(meter->isVisible());
    EXPECT_EQ(meter->barZone(), Zone::Loud);
    const QRect status = dialog.controls().status().contentsRect();
    EXPECT_GT(meter->x(), status.width() / 2) << "right of the status text";
    EXPECT_LE(meter->geometry().right(), status.right());
    EXPECT_EQ(dialog.controls().status().text(), "Status : Recording - Used Time: 00:00:00");

    dialog.recording().StopRecording();
    EXPECT_FALSE(meter->isVisible());
    EXPECT_FALSE(rig.timers().IsRunning(ID_LEVEL_METER_TIMER));
}

}  // namespace
