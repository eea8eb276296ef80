#include <gtest/gtest.h>

#include <QSlider>

#include "desktop/event_loop_wait.h"
#include "playback/player_window.h"
#include "playback/preview_window.h"
#include "resources/resource_ids.h"
#include "support/main_dialog_fixture.h"
#include "support/media_maker.h"
#include "support/posted_event_recorder.h"

namespace {

class MainWindowPlaybackTest : public testing::Test {
  protected:
    void Open(const QString& path) {
        fake.fileDialogs->answers.push_back(path);
        dialog.OnCommand(IDC_OPEN);
    }

    MediaMaker media;
    MainDialogFixture window{{.realPlayback = true}};
    FakePlatform& fake = window.fake;
    MainDialog& dialog = window.StartAndForget();
};

TEST_F(MainWindowPlaybackTest, UnplayableFilesEndInTheLengthMessageAndTheWindowGoesOn) {
    const QString song = media.OggVideo("song.ogv", 50, true);
    const QString files[] = {media.Garbage("noise.mp4", 32 * 1024), media.Empty("empty.wav"),
                             media.Text("letter.mp3"), media.Path("nowhere.ogg")};
    for (const QString& path : files) {
        fake.messages->shown.clear();
        Open(path);
        ASSERT_EQ(fake.messages->shown.size(), 1u) << path.toStdString();
        EXPECT_EQ(fake.messages->shown[0].text,
                  "Cannot open the file and get the total time. \nOr the file May be corrupt.");
        EXPECT_EQ(fake.messages->shown[0].caption, "Error");
        EXPECT_FALSE(dialog.playback().currentPlayer());
    }
    fake.messages->shown.clear();
    Open(song);
    EXPECT_TRUE(fake.messages->shown.empty());
    EXPECT_EQ(dialog.windowTitle(), "song.ogv   00:00:02");
    ASSERT_TRUE(dialog.playback().currentPlayer());
    EXPECT_TRUE(dialog.playback().currentPlayer()->videoWindow()->isVisible());
}

TEST_F(MainWindowPlaybackTest, PlayingFileMovesTheTitleAndTheSeekBarAndEndsWithStop) {
    Open(media.OggVorbis("song.ogg", 20));
    PlayerWindow* player = dialog.playback().currentPlayer();
    ASSERT_TRUE(player);
    player->Run();
    ASSERT_TRUE(RunEventLoopUntil(
        [&] {
            fake.timers.back()->Fire(ID_PLAYER_POSITION_TIMER);
            return dialog.controls().seekBar().value() > 150;
        },
        10000));
    EXPECT_TRUE(dialog.windowTitle().startsWith("song.ogg   00:00:0"));
    EXPECT_TRUE(dialog.windowTitle().endsWith(" / 00:00:02"));
    ASSERT_TRUE(RunEventLoopUntil([&] { return player->state() == PlayerState::Stopped; }, 10000));
}

}  // namespace
