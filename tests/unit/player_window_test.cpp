#include "playback/player_window.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "fakes/fake_platform.h"
#include "playback/preview_window.h"
#include "resources/resource_ids.h"
#include "support/posted_event_recorder.h"

namespace {

using Calls = std::vector<std::string>;

class PlayerWindowTest : public testing::Test {
  protected:
    // Opens the player on a scripted graph; the graph is prepared before the call.
    bool Open(const QString& path = "/music/song.mp3") {
        player.SetMediaPath(path);
        return player.OpenMedia();
    }
    FakeGraph& Graph() { return *fake.mediaGraphs->created.back(); }
    FakeGraph& Prepare() {
        fake.mediaGraphs->prepared.push_back(std::make_shared<FakeGraph>());
        return *fake.mediaGraphs->prepared.back();
    }
    FakeWindowTimers& VideoTimers() { return *fake.timers.back(); }

    FakePlatform fake;
    PostedEventRecorder mainWindow;
    PlayerWindow player{fake.platform, &mainWindow};
};

TEST_F(PlayerWindowTest, VolumeCurveFollowsTheSliderBandsExactly) {
    ASSERT_TRUE(Open());
    for (int position = 0; position <= 100; ++position) {
        // The slider's fraction is a single-precision product; the bands are compared and
        // computed in double precision and truncated toward zero.
        const double f = static_cast<float>(position) * 0.01f;
        long expected = -10000;
        if (f >= 0.01) {
            const double v = f < 0.2   ? f * 10000 * 0.5 - 5000
                             : f < 0.5 ? f * 10000 * 0.3 - 3000
                                       : f * 10000 * 0.2 - 2000;
            expected = std::clamp(static_cast<long>(v), -10000L, 0L);
        }
        player.SetVolume(static_cast<float>(position) * 0.01f);
        ASSERT_EQ(Graph().volumes.back(), expected) << "position " << position;
    }
    const std::pair<int, long> table[] = {{0, -10000}, {1, -10000}, {2, -4900},  {5, -4750},
                                          {10, -4500}, {19, -4050}, {20, -4000}, {21, -2370},
                                          {30, -2100}, {49, -1530}, {50, -1000}, {51, -980},
                                          {75, -500},  {99, -20},   {100, 0}};
    for (const auto& [position, volume] : table) {
        player.SetVolume(static_cast<float>(position) * 0.01f);
        EXPECT_EQ(Graph().volumes.back(), volume) << "position " << position;
    }
}

TEST_F(PlayerWindowTest, VolumeIsKeptForTheTitleEvenWhenTheGraphHasNoAudio) {
    Prepare().audioResult = E_NOTIMPL;
    ASSERT_TRUE(Open("D:\\Music\\song.mp3"));
    EXPECT_EQ(player.videoWindow()->windowTitle(), "song.mp3  ");
    EXPECT_EQ(player.SetVolume(0.0f), E_NOTIMPL);
    EXPECT_EQ(player.volume(), -10000);
    player.UpdateTitle();
    EXPECT_EQ(player.videoWindow()->windowTitle(), "song.mp3 (Muted) ");

    player.SetChannel(kChannelLeft);
    EXPECT_TRUE(Graph().balances.empty());
    EXPECT_EQ(player.channel(), kChannelLeft);
}

TEST_F(PlayerWindowTest, ChannelsSetTheBalance) {
    ASSERT_TRUE(Open());
    player.SetChannel(kChannelLeft);
    player.SetChannel(kChannelRight);
    player.SetChannel(kChannelStereo);
    EXPECT_EQ(Graph().balances, (std::vector<long>{-10000, 10000, 0}));
}

struct BuildFailure {
    const char* query;  // interface whose query fails, or a step name
    QString text;
    QString caption;
};

class BuildGraphFailureTest : public PlayerWindowTest,
                              public testing::WithParamInterface<BuildFailure> {};

TEST_P(BuildGraphFailureTest, ShowsItsMessageAndClosesEverything) {
    const BuildFailure& failure = GetParam();
    const std::string step = failure.query;
    if (step == "create") {
        fake.mediaGraphs->createResult = E_OUTOFMEMORY;
    } else {
        FakeGraph& graph = Prepare();
        if (step == "render")
            graph.renderResult = E_FAIL;
        else if (step == "notify")
            graph.notifyResult = E_INVALIDARG;
        else if (step == "position")
            graph.windowPositionResult = E_UNEXPECTED;
        else
            graph.queryResults[step] = E_NOINTERFACE;
    }
    std::weak_ptr<FakeGraph> graph;
    if (!fake.mediaGraphs->prepared.empty()) graph = fake.mediaGraphs->prepared.front();

    EXPECT_FALSE(Open());

    std::vector<QString> texts;
    for (const ShownMessage& shown : fake.messages->shown) {
        texts.push_back(shown.text);
        EXPECT_EQ(shown.style, MB_OK);
    }
    std::vector<QString> expected{failure.text};
    if (step == "position") expected.push_back("FAILED(hr=0x8000ffff) in InitVideoWindow(1, 1)\n");
    EXPECT_EQ(texts, expected);
    EXPECT_EQ(fake.messages->shown.front().caption, failure.caption);
    EXPECT_EQ(player.state(), PlayerState::Closed);
    EXPECT_FALSE(player.videoWindow());
    EXPECT_TRUE(player.mediaPath().isEmpty());
    EXPECT_FALSE(player.HoldsGraph());
    // The engine held the last references: the graph is gone.
    fake.mediaGraphs->created.clear();
    EXPECT_TRUE(graph.expired());
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, BuildGraphFailureTest,
    testing::Values(
        BuildFailure{"create",
                     "FAILED(hr=0x8007000e) in CoCreateInstance(CLSID_FilterGraph, NULL, "
                     "CLSCTX_INPROC_SERVER, IID_IGraphBuilder, (void **)&pGB)\n",
                     "Message"},
        BuildFailure{"render",
                     "Cannot play the file.  The file is either corrupt or\nthe player does not "
                     "support the format you are trying to play.\nIf you want more decoders, "
                     "please visit our website.",
                     "Error"},
        BuildFailure{"MediaControl",
                     "FAILED(hr=0x80004002) in pGB->QueryInterface(IID_IMediaControl, (void "
                     "**)&pMC)\n",
                     "Message"},
        BuildFailure{"MediaEvents",
                     "FAILED(hr=0x80004002) in pGB->QueryInterface(IID_IMediaEventEx, (void "
                     "**)&pME)\n",
                     "Message"},
        BuildFailure{"MediaSeeking",
                     "FAILED(hr=0x80004002) in pGB->QueryInterface(IID_IMediaSeeking, (void "
                     "**)&pMS)\n",
                     "Message"},
        BuildFailure{"VideoWindow",
                     "FAILED(hr=0x80004002) in pGB->QueryInterface(IID_IVideoWindow, (void "
                     "**)&pVW)\n",
                     "Message"},
        BuildFailure{"BasicVideo",
                     "FAILED(hr=0x80004002) in pGB->QueryInterface(IID_IBasicVideo, (void "
                     "**)&pBV)\n",
                     "Message"},
        BuildFailure{"BasicAudio",
                     "FAILED(hr=0x80004002) in pGB->QueryInterface(IID_IBasicAudio, (void "
                     "**)&pBA)\n",
                     "Message"},
        BuildFailure{"notify",
                     "FAILED(hr=0x80070057) in "
                     "pME->SetNotifyWindow(reinterpret_cast<OAHWND>(m_hWnd), "
                     "WM_GRAPHNOTIFY_PLAYER, 0)\n",
                     "Message"},
        BuildFailure{"position",
                     "FAILED(hr=0x8000ffff) in pVW->SetWindowPosition(rect.left, rect.top, "
                     "rect.right, rect.bottom)\n",
                     "Message"}));

TEST_F(PlayerWindowTest, AnUnexpectedVisibilityFailureIsReportedAndTheFileStillOpens) {
    Prepare().visibleResult = E_FAIL;
    EXPECT_TRUE(Open());
    ASSERT_EQ(fake.messages->shown.size(), 1u);
    EXPECT_EQ(fake.messages->shown[0].text, "Failed(80004005) in pVW->get_Visible()!\r\n");
    EXPECT_EQ(fake.messages->shown[0].caption, "Message");
    EXPECT_FALSE(player.audioOnly());
}

TEST_F(PlayerWindowTest, AudioOnlyFileKeepsItsWindowHiddenButPollsAndHearsTheGraph) {
    FakeGraph& graph = Prepare();
    graph.videoResult = E_NOINTERFACE;
    graph.stopPosition = 30'000'000;
    ASSERT_TRUE(Open());
    EXPECT_TRUE(player.audioOnly());
    EXPECT_FALSE(player.videoShown());
    EXPECT_FALSE(player.videoWindow()->isVisible());
    EXPECT_EQ(graph.events.window(), player.videoWindow());
    EXPECT_EQ(VideoTimers().running.at(ID_PLAYER_POSITION_TIMER), 1000);

    VideoTimers().Fire(ID_PLAYER_POSITION_TIMER);
    EXPECT_EQ(player.stopPosition(), 30'000'000);
    DeliverPostedEvents();
    EXPECT_EQ(mainWindow.messages, (std::vector<int>{WM_PLAYER_POSITION}));
}

TEST_F(PlayerWindowTest, VideoFileSizesItsWindowToTheVideoAndShowsIt) {
    FakeGraph& graph = Prepare();
    graph.videoWidth = 352;
    graph.videoHeight = 288;
    ASSERT_TRUE(Open());
    EXPECT_TRUE(player.videoShown());
    EXPECT_TRUE(player.videoWindow()->isVisible());
    EXPECT_EQ(player.videoWindow()->size(), QSize(352, 288));
    EXPECT_EQ(graph.owner, player.videoWindow());
    EXPECT_EQ(graph.calls.back(), "SetWindowPosition 0 0 352 288");
    // A move refits the renderer while the video is shown.
    graph.calls.clear();
    player.videoWindow()->move(player.videoWindow()->pos() + QPoint(10, 10));
    DeliverPostedEvents();
    EXPECT_EQ(graph.calls, (Calls{"SetWindowPosition 0 0 352 288"}));
}

TEST_F(PlayerWindowTest, RunAndStopMoveBetweenStoppedAndRunning) {
    ASSERT_TRUE(Open());
    FakeGraph& graph = Graph();
    graph.calls.clear();
    player.Run();
    player.Run();
    EXPECT_EQ(player.state(), PlayerState::Running);
    EXPECT_EQ(graph.calls, (Calls{"Run", "SetRate 1.000000", "SetRate 1.000000"}));

    graph.calls.clear();
    graph.currentPosition = 12'345;
    player.Stop();
    EXPECT_EQ(player.state(), PlayerState::Stopped);
    EXPECT_EQ(graph.calls, (Calls{"Stop", "SetPositions 0", "Pause"}));
    graph.calls.clear();
    player.Stop();
    EXPECT_TRUE(graph.calls.empty());
}

TEST_F(PlayerWindowTest, AFailedRunStaysStopped) {
    Prepare().runResult = E_FAIL;
    ASSERT_TRUE(Open());
    player.Run();
    EXPECT_EQ(player.state(), PlayerState::Stopped);
}

TEST_F(PlayerWindowTest, EndOfMediaRewindsAndClicksStopOnTheMainWindow) {
    ASSERT_TRUE(Open());
    player.Run();
    Graph().Notify(EC_ERRORABORT);
    Graph().Notify(EC_COMPLETE);
    DeliverPostedEvents();
    EXPECT_EQ(player.state(), PlayerState::Stopped);
    EXPECT_EQ(Graph().currentPosition, 0);
    EXPECT_EQ(mainWindow.commands, (std::vector<int>{IDC_STOP}));
}

TEST_F(PlayerWindowTest, SeekClampsNegativePositionsAndNeedsMediaTime) {
    ASSERT_TRUE(Open());
    FakeGraph& graph = Graph();
    graph.calls.clear();
    EXPECT_EQ(player.Seek(-5), S_OK);
    EXPECT_EQ(graph.calls, (Calls{"SetTimeFormat(MediaTime)", "SetPositions 0"}));

    graph.calls.clear();
    graph.mediaTimeSupported = false;
    EXPECT_EQ(player.Seek(1000), E_NOINTERFACE);
    EXPECT_TRUE(graph.calls.empty());
}

TEST_F(PlayerWindowTest, ClosingTheVideoWindowAsksTheMainWindowToCloseTheFile) {
    ASSERT_TRUE(Open());
    player.videoWindow()->close();
    PostCommand(player.videoWindow(), ID_PREVIEW_CLOSE);
    DeliverPostedEvents();
    EXPECT_EQ(mainWindow.commands, (std::vector<int>{IDC_CLOSE_MEDIA, IDC_CLOSE_MEDIA}));
    EXPECT_TRUE(player.videoWindow()->isVisible());
}

TEST_F(PlayerWindowTest, CloseMediaReleasesTheGraphAfterDetachingIt) {
    ASSERT_TRUE(Open());
    std::weak_ptr<FakeGraph> graph = fake.mediaGraphs->created.back();
    FakeGraph& calls = Graph();
    calls.calls.clear();
    player.CloseMedia();
    EXPECT_EQ(calls.calls, (Calls{"Stop", "put_Visible", "put_Visible", "put_Owner(null)",
                                  "SetNotifyWindow(null)"}));
    fake.mediaGraphs->created.clear();
    EXPECT_TRUE(graph.expired());
    EXPECT_EQ(player.state(), PlayerState::Closed);
    EXPECT_FALSE(player.videoWindow());
}

TEST_F(PlayerWindowTest, ContextMenuChecksTheChannelAndItsChoiceSetsIt) {
    ASSERT_TRUE(Open());
    fake.menus->answer = ID_CHANNEL_RIGHT;
    player.ShowContextMenu(QPoint(5, 5));
    DeliverPostedEvents();
    player.ShowContextMenu(QPoint(5, 5));
    ASSERT_EQ(fake.menus->tracked.size(), 2u);
    EXPECT_EQ(fake.menus->tracked[0].texts,
              (std::vector<QString>{"Audio channel", "Audio channel/Stereo", "Audio channel/Left",
                                    "Audio channel/Right", "Key up", "Key down", "Slower", "Faster",
                                    "Vocal cut", "Reset key and tempo", "Close"}));
    EXPECT_EQ(fake.menus->tracked[0].checked, (std::vector<QString>{"Audio channel/Stereo"}));
    EXPECT_EQ(fake.menus->tracked[1].checked, (std::vector<QString>{"Audio channel/Right"}));
    EXPECT_EQ(player.channel(), kChannelRight);
}

TEST_F(PlayerWindowTest, LeftClicksAlternateWhichWindowIsInFrontAcrossPlayers) {
    ASSERT_TRUE(Open());
    const bool first = PlayerWindow::frontToggle();
    player.ToggleWindowOrder();
    EXPECT_EQ(PlayerWindow::frontToggle(), !first);
    player.CloseMedia();

    PlayerWindow next(fake.platform, &mainWindow);
    next.SetMediaPath("/music/next.mp3");
    ASSERT_TRUE(next.OpenMedia());
    next.ToggleWindowOrder();
    EXPECT_EQ(PlayerWindow::frontToggle(), first);
    next.CloseMedia();
}

}  // namespace
