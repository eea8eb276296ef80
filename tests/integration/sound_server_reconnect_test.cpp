#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>

#include "desktop/event_loop_wait.h"
#include "pulse/sound_server.h"
#include "resources/resource_ids.h"
#include "support/main_dialog_fixture.h"
#include "support/own_sound_server.h"
#include "support/sound_rig_env.h"

namespace {

TEST(SoundServerReconnect, TheModelEmptiesWhenTheServerGoesAndReturnsWithIt) {
    REQUIRE_SOUND_RIG();
    QTemporaryDir folder;
    OwnServer own(folder);
    own.Start();
    own.Use();
    {
        SoundServer server("tarvelo-reconnect-test");
        const SoundModel& model = server.model();
        EXPECT_TRUE(
            RunEventLoopUntil([&] { return model.SinkNamed("backstage") != nullptr; }, 8000));

        own.Stop();
        EXPECT_TRUE(
            RunEventLoopUntil([&] { return model.sinks.empty() && !server.IsReady(); }, 5000));

        own.Start();
        EXPECT_TRUE(
            RunEventLoopUntil([&] { return model.SinkNamed("backstage") != nullptr; }, 8000));
        EXPECT_TRUE(server.IsReady());
    }
}

TEST(SoundServerReconnect, TheWindowRecordsAgainOnceTheServerIsBack) {
    REQUIRE_SOUND_RIG();
    QTemporaryDir folder;
    OwnServer own(folder);
    own.Start();
    own.Use();
    {
        MainDialogFixture window{{.quiet = true, .realCapture = true}};
        window.StoreSongOutputMixChoice();
        ASSERT_TRUE(window.fake.platform.soundServer->WaitUntilReady(8000));
        MainDialog& dialog = window.Start();
        ASSERT_GT(dialog.controls().inputList().count(), 0);
        const auto changes = [&] { return window.Shown("DirectShow Audio Capture Sample"); };

        own.Stop();
        ASSERT_TRUE(RunEventLoopUntil([&] { return changes().size() == 1; }, 5000));
        EXPECT_EQ(changes()[0].text, "The selected input device was removed!");
        own.Start();
        ASSERT_TRUE(RunEventLoopUntil([&] { return changes().size() == 2; }, 8000));
        EXPECT_EQ(changes()[1].text, "The audio input device has been reattached!");

        const QString take = folder.filePath("take.wav");
        dialog.controls().EnableRecordingControls(true);  // as after opening a media file
        dialog.controls().outputPathBox().setText(take);
        dialog.OnCommand(IDC_START);
        EXPECT_TRUE(dialog.recording().isRecording());
        EXPECT_TRUE(window.Shown("Start Recording Error").empty());
        EXPECT_TRUE(RunEventLoopUntil([&] { return QFileInfo(take).size() > 80 + 4800; }, 5000));
        dialog.OnCommand(IDC_STOP);
    }
}

}  // namespace
