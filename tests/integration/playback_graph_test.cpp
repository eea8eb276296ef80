#include <gtest/gtest.h>

#include <QImage>
#include <QLoggingCategory>
#include <QThread>

#include "desktop/event_loop_wait.h"
#include "fakes/fake_platform.h"
#include "gst/video_renderer_widget.h"
#include "playback/player_window.h"
#include "playback/preview_window.h"
#include "resources/resource_ids.h"
#include "support/media_maker.h"
#include "support/posted_event_recorder.h"

namespace {

constexpr REFERENCE_TIME kFrame = 400'000;  // one frame at 25 a second
constexpr REFERENCE_TIME kSecond = 10'000'000;

bool IsRed(QRgb pixel) {
    return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
}

class PlaybackGraphTest : public testing::Test {
  protected:
    PlaybackGraphTest() { fake.platform.mediaGraphs = MakeGstMediaGraphs(); }

    static void SetUpTestSuite() {
        media = new MediaMaker;
        media->OggVorbis("tone.ogg", 20);
        media->Wav("tone.wav", 20);
        media->Mp3("tone.mp3", 20);
        media->Wav("short.wav", 8);
        media->OggVideo("clip.ogv", 50, true);
        media->OggVideo("silent.ogv", 50, false);
    }
    static void TearDownTestSuite() { delete media; }

    std::unique_ptr<PlayerWindow> Open(const QString& path) {
        auto player = std::make_unique<PlayerWindow>(fake.platform, &mainWindow);
        player->SetMediaPath(path);
        if (!player->OpenMedia()) return nullptr;
        return player;
    }
    FakeWindowTimers& VideoTimers() { return *fake.timers.back(); }
    void Poll() { VideoTimers().Fire(ID_PLAYER_POSITION_TIMER); }
    bool WaitUntilRewound(PlayerWindow& player) {
        return RunEventLoopUntil(
            [&] {
                Poll();
                return player.currentPosition() == 0;
            },
            10000);
    }
    static VideoRendererWidget* RendererOf(PlayerWindow& player) {
        return player.videoWindow()->findChild<VideoRendererWidget*>();
    }
    static bool ShowsRed(PlayerWindow& player) {
        const QImage shot = player.videoWindow()->grab().toImage();
        return !shot.isNull() && IsRed(shot.pixel(shot.width() / 2, shot.height() / 2)) &&
               IsRed(shot.pixel(2, 2));
    }

    static MediaMaker* media;
    FakePlatform fake;
    PostedEventRecorder mainWindow;
};

MediaMaker* PlaybackGraphTest::media = nullptr;

TEST_F(PlaybackGraphTest, LengthIsWithinOneFrameOfTheGeneratedDuration) {
    const std::pair<const char*, REFERENCE_TIME> files[] = {{"tone.ogg", 2 * kSecond},
                                                            {"tone.wav", 2 * kSecond},
                                                            {"tone.mp3", 2 * kSecond},
                                                            {"clip.ogv", 2 * kSecond},
                                                            {"silent.ogv", 2 * kSecond}};
    for (const auto& [name, length] : files) {
        std::shared_ptr<GraphBuilder> graph;
        ASSERT_EQ(fake.platform.mediaGraphs->CreateFilterGraph(graph), S_OK);
        ASSERT_EQ(graph->RenderFile(media->Path(name)), S_OK) << name;
        std::shared_ptr<MediaSeeking> seeking;
        ASSERT_EQ(graph->QueryInterface(seeking), S_OK);
        REFERENCE_TIME stop = 0;
        ASSERT_EQ(seeking->GetStopPosition(&stop), S_OK) << name;
        EXPECT_NEAR(stop, length, kFrame) << name;
    }
}

TEST_F(PlaybackGraphTest, VideoFileShowsItsFirstFrameInTheVideoWindow) {
    auto player = Open(media->Path("clip.ogv"));
    ASSERT_TRUE(player);
    EXPECT_FALSE(player->audioOnly());
    EXPECT_TRUE(player->videoWindow()->isVisible());
    EXPECT_EQ(player->videoWindow()->size(), QSize(320, 240));
    EXPECT_EQ(player->videoWindow()->windowTitle(), "clip.ogv  ");
    ASSERT_TRUE(RunEventLoopUntil([&] { return ShowsRed(*player); }, 10000));
    EXPECT_EQ(RendererOf(*player)->geometry(), QRect(0, 0, 320, 240));
    player->CloseMedia();
}

// The renderer converts each frame straight into the image it is painted on: the frame
// must show there exactly as it is, away from that image's corner too.
TEST_F(PlaybackGraphTest, RendererShowsItsFrameExactlyWhereItLies) {
    const QString path = media->Path("bars.ogv");
    ASSERT_TRUE(MediaMaker::Launch(
        "videotestsrc num-buffers=5 pattern=smpte ! video/x-raw,width=320,height=240 ! "
        "theoraenc ! oggmux ! filesink location=" +
        path));
    auto player = Open(path);
    ASSERT_TRUE(player);
    VideoRendererWidget* renderer = RendererOf(*player);
    ASSERT_TRUE(RunEventLoopUntil([&] { return !renderer->frame().isNull(); }, 10000));
    player->videoWindow()->setFixedSize(400, 300);
    DeliverPostedEvents();
    renderer->setGeometry(16, 8, 320, 240);
    const QImage shot =
        player->videoWindow()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shot.copy(16, 8, 320, 240), renderer->frame());
    player->CloseMedia();
}

TEST_F(PlaybackGraphTest, RunAdvancesAndStopRewindsHoldingTheFirstFrame) {
    auto player = Open(media->Path("clip.ogv"));
    ASSERT_TRUE(player);
    player->Run();
    EXPECT_EQ(player->state(), PlayerState::Running);
    ASSERT_TRUE(RunEventLoopUntil(
        [&] {
            Poll();
            return player->currentPosition() > 5 * kFrame;
        },
        10000));
    EXPECT_NEAR(player->stopPosition(), 2 * kSecond, kFrame);
    DeliverPostedEvents();
    EXPECT_FALSE(mainWindow.messages.empty());

    player->Stop();
    EXPECT_EQ(player->state(), PlayerState::Stopped);
    ASSERT_TRUE(WaitUntilRewound(*player));
    ASSERT_TRUE(RunEventLoopUntil([&] { return ShowsRed(*player); }, 10000));
    player->CloseMedia();
}

TEST_F(PlaybackGraphTest, SeeksClampToTheStartAndReachTheEnd) {
    auto player = Open(media->Path("tone.ogg"));
    ASSERT_TRUE(player);
    Poll();
    ASSERT_GT(player->stopPosition(), 0);
    EXPECT_EQ(player->Seek(player->stopPosition() / 2), S_OK);
    ASSERT_TRUE(RunEventLoopUntil(
        [&] {
            Poll();
            return std::abs(player->currentPosition() - player->stopPosition() / 2) < kFrame;
        },
        10000));
    EXPECT_EQ(player->Seek(-kSecond), S_OK);
    ASSERT_TRUE(WaitUntilRewound(*player));
    // The far end of the seek bar: running from there ends the media at once.
    EXPECT_EQ(player->Seek(player->stopPosition()), S_OK);
    player->Run();
    ASSERT_TRUE(RunEventLoopUntil([&] { return !mainWindow.commands.empty(); }, 3000));
    player->CloseMedia();
}

TEST_F(PlaybackGraphTest, EndOfMediaRewindsThePlayerAndClicksStop) {
    auto player = Open(media->Path("short.wav"));
    ASSERT_TRUE(player);
    player->Run();
    ASSERT_TRUE(RunEventLoopUntil([&] { return !mainWindow.commands.empty(); }, 10000));
    EXPECT_EQ(mainWindow.commands, (std::vector<int>{IDC_STOP}));
    EXPECT_EQ(player->state(), PlayerState::Stopped);
    ASSERT_TRUE(WaitUntilRewound(*player));
    // Playing again from the start works after the end.
    mainWindow.commands.clear();
    player->Run();
    ASSERT_TRUE(RunEventLoopUntil([&] { return !mainWindow.commands.empty(); }, 10000));
    player->CloseMedia();
}

TEST_F(PlaybackGraphTest, TheEndOfAClosedGraphIsNeverActedOn) {
    auto player = Open(media->Path("short.wav"));
    ASSERT_TRUE(player);
    player->Run();
    // The media ends while the UI thread is busy; its end is on its way, not yet handled.
    QThread::msleep(2500);
    player->CloseMedia();
    player.reset();
    RunEventLoopFor(300);
    EXPECT_TRUE(mainWindow.commands.empty());
}

TEST_F(PlaybackGraphTest, AudioOnlyFileNeverShowsItsWindow) {
    auto player = Open(media->Path("tone.wav"));
    ASSERT_TRUE(player);
    EXPECT_TRUE(player->audioOnly());
    long visible = 0;
    EXPECT_EQ(player->pVW()->get_Visible(&visible), E_NOINTERFACE);
    long width = 0;
    long height = 0;
    EXPECT_EQ(player->pBV()->GetVideoSize(&width, &height), E_NOINTERFACE);
    player->Run();
    RunEventLoopFor(300);
    EXPECT_FALSE(player->videoWindow()->isVisible());
    EXPECT_EQ(player->SetVolume(0.5f), S_OK);
    player->SetChannel(kChannelRight);
    long balance = 0;
    EXPECT_EQ(player->pBA()->get_Balance(&balance), S_OK);
    EXPECT_EQ(balance, 10000);
    player->CloseMedia();
}

TEST_F(PlaybackGraphTest, VideoWithoutAudioHasNoVolumeOrBalance) {
    auto player = Open(media->Path("silent.ogv"));
    ASSERT_TRUE(player);
    EXPECT_EQ(player->SetVolume(0.0f), E_NOTIMPL);
    EXPECT_EQ(player->volume(), -10000);
    player->SetChannel(kChannelLeft);
    EXPECT_EQ(player->channel(), kChannelLeft);
    long balance = 0;
    EXPECT_EQ(player->pBA()->get_Balance(&balance), E_NOTIMPL);
    player->UpdateTitle();
    EXPECT_EQ(player->videoWindow()->windowTitle(), "silent.ogv (Muted) ");
    player->CloseMedia();
}

TEST_F(PlaybackGraphTest, FilesThatCannotBePlayedFailWithTheRenderMessage) {
    const QString files[] = {media->Garbage("noise.avi", 64 * 1024), media->Empty("empty.mp3"),
                             media->Text("letter.mp3"), media->Path("missing.ogg")};
    for (const QString& path : files) {
        fake.messages->shown.clear();
        EXPECT_FALSE(Open(path)) << path.toStdString();
        ASSERT_EQ(fake.messages->shown.size(), 1u) << path.toStdString();
        EXPECT_EQ(fake.messages->shown[0].caption, "Error");
        EXPECT_TRUE(fake.messages->shown[0].text.startsWith("Cannot play the file."));
    }
}

QStringList mediaLog;

void TakeMediaLog(QtMsgType, const QMessageLogContext& context, const QString& text) {
    if (qstrcmp(context.category, "tarvelo.gst") == 0) mediaLog << text;
}

TEST_F(PlaybackGraphTest, WhyAFileCannotBePlayedIsLoggedWhenAsked) {
    const QString noise = media->Garbage("reason.avi", 64 * 1024);
    const QtMessageHandler previous = qInstallMessageHandler(TakeMediaLog);
    QLoggingCategory::setFilterRules("tarvelo.gst=true");
    EXPECT_FALSE(Open(noise));
    EXPECT_GE(mediaLog.size(), 2) << "the pipeline's reason, then the file:\n"
                                  << mediaLog.join('\n').toStdString();
    EXPECT_TRUE(mediaLog.join('\n').contains("reason.avi")) << mediaLog.join('\n').toStdString();
    QLoggingCategory::setFilterRules({});
    mediaLog.clear();
    EXPECT_FALSE(Open(noise));
    EXPECT_TRUE(mediaLog.isEmpty()) << "silent unless asked";
    qInstallMessageHandler(previous);
}

TEST_F(PlaybackGraphTest, TruncatedFilesOpenOrFailButNeverHang) {
    const QString files[] = {media->Truncated("half.ogv", media->Path("clip.ogv")),
                             media->Truncated("half.wav", media->Path("tone.wav")),
                             media->Truncated("half.ogg", media->Path("tone.ogg"))};
    for (const QString& path : files) {
        auto player = Open(path);
        if (!player) continue;
        player->Run();
        EXPECT_TRUE(RunEventLoopUntil([&] { return !mainWindow.commands.empty(); }, 10000))
            << path.toStdString();
        mainWindow.commands.clear();
        player->CloseMedia();
    }
}

}  // namespace
