#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSlider>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "app/main_dialog.h"
#include "app/settings_store.h"
#include "fakes/fake_platform.h"
#include "playback/player_window.h"
#include "playback/preview_window.h"
#include "resources/resource_ids.h"
#include "support/media_maker.h"
#include "support/posted_event_recorder.h"
#include "support/wait.h"

namespace {

// A named pipe that nobody writes to. Should an open wait on it, a writer comes after a
// while and leaves at once, so that the open fails instead of hanging the test.
class UnwrittenPipe {
  public:
    explicit UnwrittenPipe(const QString& path) : path_(QFile::encodeName(path)) {
        ::mkfifo(path_.constData(), 0600);
        rescuer_ = std::thread([this] { Rescue(); });
    }
    ~UnwrittenPipe() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
        rescuer_.join();
    }
    bool WaitedOn() {
        std::lock_guard lock(mutex_);
        return waitedOn_;
    }

  private:
    void Rescue() {
        std::unique_lock lock(mutex_);
        if (wake_.wait_for(lock, std::chrono::seconds(15), [this] { return done_; })) return;
        while (!done_) {
            // Succeeds only while a reader is waiting in its open.
            const int fd = ::open(path_.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                waitedOn_ = true;
                ::close(fd);
            }
            wake_.wait_for(lock, std::chrono::milliseconds(100));
        }
    }

    QByteArray path_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    bool waitedOn_ = false;
    std::thread rescuer_;
};

class MainWindowPlaybackTest : public testing::Test {
  protected:
    MainWindowPlaybackTest() {
        fake.platform.mediaGraphs = MakeGstMediaGraphs();
        dialog.OnInitDialog();
        fake.messages->shown.clear();
    }
    void Open(const QString& path) {
        fake.fileDialogs->answers.push_back(path);
        dialog.OnCommand(IDC_OPEN);
    }

    MediaMaker media;
    FakePlatform fake;
    SettingsStore settings{*fake.settings};
    MainDialog dialog{fake.platform, settings};
};

TEST_F(MainWindowPlaybackTest, UnplayableFilesEndInTheLengthMessageAndTheWindowGoesOn) {
    const QString song = media.OggVideo("song.ogv", 50, true);
    UnwrittenPipe pipe(media.Path("pipe.mp3"));
    ASSERT_TRUE(QDir().mkpath(media.Path("folder.ogg")));
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
        EXPECT_FALSE(dialog.currentPlayer());
    }
    EXPECT_FALSE(pipe.WaitedOn()) << "the window waited for a writer to the pipe";
    fake.messages->shown.clear();
    Open(song);
    EXPECT_TRUE(fake.messages->shown.empty());
    EXPECT_EQ(dialog.windowTitle(), "song.ogv   00:00:02");
    ASSERT_TRUE(dialog.currentPlayer());
    EXPECT_TRUE(dialog.currentPlayer()->m_hWnd->isVisible());
}

TEST_F(MainWindowPlaybackTest, PlayingFileMovesTheTitleAndTheSeekBarAndEndsWithStop) {
    Open(media.OggVorbis("song.ogg", 20));
    PlayerWindow* player = dialog.currentPlayer();
    ASSERT_TRUE(player);
    player->Run();
    ASSERT_TRUE(WaitUntil([&] {
        fake.timers.back()->Fire(ID_PLAYER_POSITION_TIMER);
        return dialog.Slider(IDC_SEEK_BAR)->value() > 150;
    }));
    EXPECT_TRUE(dialog.windowTitle().startsWith("song.ogg   00:00:0"));
    EXPECT_TRUE(dialog.windowTitle().endsWith(" / 00:00:02"));
    ASSERT_TRUE(WaitUntil([&] { return player->state == PlayerState::Stopped; }));
}

}  // namespace
