#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSlider>
#include <QTest>

#include "playback/player_window.h"
#include "playback/preview_window.h"
#include "resources/resource_ids.h"
#include "support/main_dialog_fixture.h"
#include "support/posted_event_recorder.h"

namespace {

constexpr REFERENCE_TIME kSecond = 10'000'000;

class MainDialogPlaybackTest : public testing::Test {
  protected:
    // Scripts the next Open: the chosen path, the length query's graph, the player's graph.
    FakeGraph& ScriptOpen(const QString& path, REFERENCE_TIME length) {
        fake.fileDialogs->answers.push_back(path);
        auto query = std::make_shared<FakeGraph>();
        query->stopPosition = length;
        fake.mediaGraphs->prepared.push_back(query);
        fake.mediaGraphs->prepared.push_back(std::make_shared<FakeGraph>());
        return *fake.mediaGraphs->prepared.back();
    }
    FakeGraph& PlayerGraph() { return *fake.mediaGraphs->created.back(); }
    void Release(int sliderId, int position) {
        qobject_cast<QSlider*>(dialog.controls().Control(sliderId))->setValue(position);
        if (sliderId == IDC_SEEK_BAR)
            dialog.playback().SeekFromSlider();
        else
            dialog.playback().ApplyMediaVolume();
    }

    MainDialogFixture window;
    FakePlatform& fake = window.fake;
    MainDialog& dialog = window.StartAndForget();
};

TEST_F(MainDialogPlaybackTest, OpenDialogAsksForMediaFromTheLastFolder) {
    fake.settings->Set("Option", "LastPhotoFolder", "/home/singer/Songs/");
    dialog.OnCommand(IDC_OPEN);
    ASSERT_EQ(fake.fileDialogs->calls.size(), 1u);
    const FileDialogRequest& request = fake.fileDialogs->calls[0].request;
    EXPECT_FALSE(fake.fileDialogs->calls[0].save);
    EXPECT_EQ(request.title, "Select an Media file");
    EXPECT_EQ(request.initialFolder, "/home/singer/Songs/");
    EXPECT_EQ(request.filterIndex, 1);
    ASSERT_EQ(request.filters.size(), 5u);
    EXPECT_EQ(request.filters[0].label, "Media Files (all types)");
    EXPECT_EQ(request.filters[0].patterns,
              "*.asf;*.wma;*.wmv;*.avi;*.vob;*.qt;*.mov;*.mpg;*.mpeg;*.dat;*.mp4;*.divx;*.div;"
              "*.ogm;*.wav;*.mpa;*.mp2;*.mp3;*.au;*.aif;*.aiff;*.snd;*.ogg;*.ac3;*.rm;*.kar;*.cdg;"
              "*.lrc;*.bin;*.flac;*.opus;*.m4a;*.mkv;*.webm;*.m4v;*.zip");
    EXPECT_EQ(request.filters[1].patterns, "*.asf; *.wma; *.wmv");
    EXPECT_EQ(request.filters[2].label,
              "Video Files "
              "(*.avi;*.mpg;*.mpeg;*.vob;*.dat;*.mp4;*.divx;*.div;*.ogm;*.qt;*.mov;*.rm;*.rmvb)");
    EXPECT_EQ(request.filters[2].patterns,
              "*.avi; *.vob; *.qt; *.mov; *.mpg; *.mpeg; *.dat; *.mp4; *.divx; *.div; *.ogm; "
              "*.rm; *.rmvb;*.kar;*.cdg;*.lrc;*.bin;*.mkv;*.webm;*.m4v;*.zip");
    EXPECT_EQ(request.filters[3].label,
              "Audio files "
              "(*.kar;*.cdg;*.mp3;*.wav;*.bin;*.lrc;*.ac3;*.ogg;*.mpa;*.mp2;*.au;*.aif;*.aiff;"
              "*.snd;*.ra)");
    EXPECT_EQ(request.filters[3].patterns,
              "*.kar;*.mp3; *.wav; *.ac3; *.ogg; *.mpa; *.mp2; *.au; *.aif; *.aiff; *.snd "
              ";*.ra;*.cdg;*.lrc;*.bin;*.flac;*.opus;*.m4a;*.zip");
    EXPECT_EQ(request.filters[4].label, "Any Files (*.*)");
    EXPECT_EQ(request.filters[4].patterns, "*.*;");
    // Cancelled: nothing changes, nothing is stored.
    EXPECT_TRUE(fake.settings->writes.empty());
    EXPECT_EQ(dialog.windowTitle(), "Tarvelo");
    EXPECT_FALSE(dialog.playback().currentPlayer());
}

TEST_F(MainDialogPlaybackTest, OpeningAFileTitlesItNamesTheOutputAndStartsAPlayer) {
    ScriptOpen("/home/singer/Songs/my.song.ogg", 3 * 3600 * kSecond + 5'000'000);
    dialog.OnCommand(IDC_OPEN);
    EXPECT_EQ(dialog.windowTitle(), "my.song.ogg   03:00:00");
    EXPECT_EQ(dialog.playback().totalSeconds(), 3 * 3600);
    EXPECT_EQ(dialog.outputPath(), dialog.outputFolder() + "my.song.wav");
    EXPECT_EQ(dialog.controls().outputPathBox().text(), dialog.outputPath());
    ASSERT_TRUE(dialog.playback().currentPlayer());
    EXPECT_EQ(dialog.playback().currentPlayer()->state(), PlayerState::Stopped);
    EXPECT_EQ(PlayerGraph().renderedPath, "/home/singer/Songs/my.song.ogg");
    for (int id : {IDC_START, IDC_STOP, IDC_PLAY, IDC_OPEN, IDC_OUTPUT_PATH, IDC_BROWSE})
        EXPECT_TRUE(dialog.controls().Control(id)->isEnabled()) << id;
    EXPECT_EQ(fake.settings->Value("Option", "LastPhotoFolder"), "/home/singer/Songs/");
}

TEST_F(MainDialogPlaybackTest, TitlesGiveHoursAsManyDigitsAsTheyNeed) {
    ScriptOpen("/s/zero.wav", 0);
    dialog.OnCommand(IDC_OPEN);
    EXPECT_EQ(dialog.windowTitle(), "zero.wav   00:00:00");

    ScriptOpen("/s/long.wav", 100LL * 3600 * kSecond + 61 * kSecond);
    dialog.OnCommand(IDC_OPEN);
    EXPECT_EQ(dialog.windowTitle(), "long.wav   100:01:01");

    PlayerGraph().currentPosition = 100LL * 3600 * kSecond + 59 * kSecond + 9'999'999;
    PlayerGraph().stopPosition = 100LL * 3600 * kSecond + 61 * kSecond;
    fake.timers.back()->Fire(ID_PLAYER_POSITION_TIMER);
    DeliverPostedEvents();
    EXPECT_EQ(dialog.windowTitle(), "long.wav   100:00:59 / 100:01:01");
    EXPECT_EQ(dialog.playback().seekPosition(), 599);
    EXPECT_EQ(dialog.controls().seekBar().value(), 599);
}

TEST_F(MainDialogPlaybackTest, AFileWhoseLengthCannotBeReadChangesNothing) {
    ScriptOpen("/s/first.mp3", 10 * kSecond);
    dialog.OnCommand(IDC_OPEN);
    PlayerWindow* first = dialog.playback().currentPlayer();
    fake.settings->writes.clear();

    fake.fileDialogs->answers.push_back("/other/broken.mp3");
    auto broken = std::make_shared<FakeGraph>();
    broken->renderResult = E_FAIL;
    fake.mediaGraphs->prepared.push_back(broken);
    dialog.OnCommand(IDC_OPEN);

    ASSERT_EQ(fake.messages->shown.size(), 1u);
    EXPECT_EQ(fake.messages->shown[0].text,
              "Cannot open the file and get the total time. \nOr the file May be corrupt.");
    EXPECT_EQ(fake.messages->shown[0].caption, "Error");
    EXPECT_EQ(dialog.playback().currentPlayer(), first);
    EXPECT_EQ(dialog.playback().mediaPath(), "/s/first.mp3");
    EXPECT_EQ(dialog.windowTitle(), "first.mp3   00:00:10");
    EXPECT_TRUE(fake.settings->writes.empty());
}

TEST_F(MainDialogPlaybackTest, APlayerThatCannotOpenLeavesNoFileOpen) {
    ScriptOpen("/s/odd.mp3", 10 * kSecond).renderResult = E_FAIL;
    dialog.OnCommand(IDC_OPEN);
    EXPECT_FALSE(dialog.playback().currentPlayer());
    EXPECT_TRUE(dialog.playback().mediaPath().isEmpty());
    EXPECT_EQ(dialog.windowTitle(), "odd.mp3   00:00:10");
    EXPECT_TRUE(dialog.controls().Control(IDC_START)->isEnabled());
    EXPECT_EQ(fake.settings->Value("Option", "LastPhotoFolder"), "");
}

TEST_F(MainDialogPlaybackTest, OpeningASecondFileClosesTheFirstPlayerBeforeBuildingTheNext) {
    ScriptOpen("/s/one.mp3", 10 * kSecond);
    dialog.OnCommand(IDC_OPEN);
    dialog.playback().currentPlayer()->Run();
    dialog.controls().mediaVolume().setValue(30);
    dialog.playback().ApplyMediaVolume();
    dialog.playback().currentPlayer()->SetChannel(kChannelLeft);
    std::weak_ptr<FakeGraph> first = fake.mediaGraphs->created.back();

    ScriptOpen("/s/two.mp3", 10 * kSecond);
    fake.mediaGraphs->journal->clear();
    dialog.OnCommand(IDC_OPEN);
    const std::vector<std::string> expected{"2:RenderFile",      "1:Stop",
                                            "1:put_Visible",     "1:put_Visible",
                                            "1:put_Owner(null)", "1:SetNotifyWindow(null)",
                                            "3:RenderFile"};
    const auto& journal = *fake.mediaGraphs->journal;
    ASSERT_GE(journal.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(journal.begin(), journal.begin() + expected.size()),
              expected);
    fake.mediaGraphs->created.erase(fake.mediaGraphs->created.begin() + 1);
    EXPECT_TRUE(first.expired());
    // The new player starts in Stereo at full volume; the slider keeps its place.
    EXPECT_EQ(dialog.playback().currentPlayer()->channel(), kChannelStereo);
    EXPECT_EQ(dialog.playback().currentPlayer()->volume(), 0);
    EXPECT_TRUE(PlayerGraph().volumes.empty());
    EXPECT_EQ(dialog.controls().mediaVolume().value(), 30);
}

TEST_F(MainDialogPlaybackTest, SeekBarSeeksOnlyOnceTheLengthIsKnown) {
    ScriptOpen("/s/a.mp3", 60 * kSecond);
    dialog.OnCommand(IDC_OPEN);
    FakeGraph& graph = PlayerGraph();
    graph.calls.clear();
    Release(IDC_SEEK_BAR, 300);
    EXPECT_TRUE(graph.calls.empty());

    graph.stopPosition = 60 * kSecond + 7;
    fake.timers.back()->Fire(ID_PLAYER_POSITION_TIMER);
    DeliverPostedEvents();
    EXPECT_EQ(dialog.controls().seekBar().value(), 0);

    Release(IDC_SEEK_BAR, 600);
    EXPECT_EQ(graph.currentPosition, 60 * kSecond + 7);
    Release(IDC_SEEK_BAR, 1);
    EXPECT_EQ(graph.currentPosition,
              static_cast<REFERENCE_TIME>((60 * kSecond + 7) * 1.0 * 0.0016666666666666668));
    Release(IDC_SEEK_BAR, 0);
    EXPECT_EQ(graph.currentPosition, 0);
}

TEST_F(MainDialogPlaybackTest, MediaVolumeSliderSetsThePlayerAndIsStoredAtExit) {
    ScriptOpen("/s/a.mp3", 60 * kSecond);
    dialog.OnCommand(IDC_OPEN);
    Release(IDC_MEDIA_VOLUME, 21);
    EXPECT_EQ(dialog.playback().playbackVolume(), 21);
    EXPECT_EQ(PlayerGraph().volumes, (std::vector<long>{-2370}));
    dialog.close();
    dialog.reject();
    EXPECT_EQ(fake.settings->Value("Option", "PlaybackVolume"), "21");
    EXPECT_FALSE(dialog.playback().currentPlayer());
}

TEST_F(MainDialogPlaybackTest, TheChannelIsInTheMenuOnlyWhileAFileIsOpenAndReachesThePlayer) {
    dialog.ShowContextMenu(QPoint(10, 10));
    ScriptOpen("/s/a.mp3", 60 * kSecond);
    dialog.OnCommand(IDC_OPEN);
    fake.menus->answer = ID_CHANNEL_LEFT;
    dialog.ShowContextMenu(QPoint(10, 10));
    DeliverPostedEvents();
    fake.menus->answer = 0;
    dialog.ShowContextMenu(QPoint(10, 10));
    ASSERT_EQ(fake.menus->tracked.size(), 3u);
    EXPECT_EQ(
        fake.menus->tracked[0].texts,
        (std::vector<QString>{"Hear the microphone", "Voice timing...", "Keep the voice track"}));
    EXPECT_EQ(fake.menus->tracked[1].checked,
              (std::vector<QString>{"Audio channel/Stereo", "Hear the microphone"}));
    EXPECT_EQ(fake.menus->tracked[2].checked,
              (std::vector<QString>{"Audio channel/Left", "Hear the microphone"}));
    EXPECT_EQ(fake.menus->tracked[2].checkable, fake.menus->tracked[2].checked)
        << "no empty check boxes, on Close least of all";
    EXPECT_EQ(PlayerGraph().balances, (std::vector<long>{-10000}));
}

TEST_F(MainDialogPlaybackTest, OnlyARightClickOnTheWindowItselfOpensTheChannelMenu) {
    ScriptOpen("/s/a.mp3", 60 * kSecond);
    dialog.OnCommand(IDC_OPEN);
    for (int id : {IDC_OPEN, IDC_HOMEPAGE, IDC_MEDIA_VOLUME, IDC_SEEK_BAR}) {
        QWidget* control = dialog.controls().Control(id);
        QTest::mouseClick(control, Qt::RightButton, {}, control->rect().center());
        QTest::mouseClick(control, Qt::MiddleButton, {}, control->rect().center());
    }
    EXPECT_TRUE(fake.menus->tracked.empty());
    EXPECT_EQ(dialog.controls().mediaVolume().value(), 100) << "only the left button moves it";
    EXPECT_TRUE(PlayerGraph().volumes.empty()) << "nor releases it";

    // Labels let the click through to the window, as classic static texts do.
    QWidget* label = dialog.controls().Control(IDC_OUTPUT_LABEL);
    QTest::mouseClick(label, Qt::RightButton, {}, QPoint(3, 3));
    QTest::mouseClick(&dialog, Qt::RightButton, {}, QPoint(3, 3));
    EXPECT_EQ(fake.menus->tracked.size(), 2u);
}

TEST_F(MainDialogPlaybackTest, ALeftClickOnAGrooveMovesTheThumbToItThenActsOnRelease) {
    ScriptOpen("/s/a.mp3", 60 * kSecond);
    dialog.OnCommand(IDC_OPEN);
    QSlider* volume = &dialog.controls().mediaVolume();
    const QPoint quarter(volume->width() / 4, volume->height() / 2);
    QTest::mousePress(volume, Qt::LeftButton, {}, quarter);
    EXPECT_NEAR(volume->value(), 25, 5);
    EXPECT_TRUE(PlayerGraph().volumes.empty()) << "nothing happens before the release";
    QTest::mouseRelease(volume, Qt::LeftButton, {}, quarter);
    EXPECT_EQ(PlayerGraph().volumes.size(), 1u);
    EXPECT_EQ(dialog.playback().playbackVolume(), volume->value());
}

TEST_F(MainDialogPlaybackTest, ClosingTheVideoWindowClosesTheFile) {
    ScriptOpen("/s/a.mp3", 60 * kSecond);
    dialog.OnCommand(IDC_OPEN);
    dialog.controls().seekBar().setValue(200);
    dialog.playback().currentPlayer()->videoWindow()->close();
    DeliverPostedEvents();
    EXPECT_FALSE(dialog.playback().currentPlayer());
    EXPECT_EQ(dialog.windowTitle(), "Tarvelo");
    EXPECT_EQ(dialog.controls().seekBar().value(), 0);
    EXPECT_FALSE(dialog.controls().Control(IDC_START)->isEnabled());

    // A position notice that arrives after the player is gone resets the title.
    dialog.setWindowTitle("x");
    PostWindowMessage(&dialog, WM_PLAYER_POSITION);
    DeliverPostedEvents();
    EXPECT_EQ(dialog.windowTitle(), "Tarvelo");
}

}  // namespace
