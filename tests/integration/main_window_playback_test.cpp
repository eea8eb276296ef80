#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSlider>
#include <atomic>
#include <thread>

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
    const QByteArray pipe = QFile::encodeName(media.Path("pipe.mp3"));
    ASSERT_EQ(::mkfifo(pipe.constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkpath(media.Path("folder.ogg")));
    // Nobody writes to the pipe. Should an open wait on it all the same, a writer comes
    // after 15 s and leaves at once, so that the open fails instead of hanging the test.
    std::atomic<bool> waitedOn = false;
    const std::jthread rescuer([&](std::stop_token stop) {
        for (int tick = 1; !stop.stop_requested(); ++tick) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            // Opens only while a reader is waiting in its open.
            const int fd = tick > 150 ? ::open(pipe.constData(), O_WRONLY | O_NONBLOCK) : -1;
            if (fd >= 0) {
                waitedOn = true;
                ::close(fd);
            }
        }
    });
    const QString files[] = {media.Garbage("noise.mp4", 32 * 1024),
                             media.Empty("empty.wav"),
                             media.Text("letter.mp3"),
                             media.Path("nowhere.ogg"),
                             media.Path("pipe.mp3"),
                             media.Path("folder.ogg")};
    for (const QString& path : files) {
        fake.messages->shown.clear();
        Open(path);
        ASSERT_EQ(fake.messages->shown.size(), 1u) << path.toStdString();
        EXPECT_EQ(fake.messages->shown[0].text,
                  "Cannot open the file and get the total time. \nOr the file May be corrupt.");
        EXPECT_EQ(fake.messages->shown[0].caption, "Error");
        EXPECT_FALSE(dialog.playback().currentPlayer());
    }
    EXPECT_FALSE(waitedOn) << "the window waited for a writer to the pipe";
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
