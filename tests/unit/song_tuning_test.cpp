#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "core/song_tuning.h"
#include "playback/player_window.h"
#include "playback/preview_window.h"
#include "resources/resource_ids.h"
#include "support/main_dialog_fixture.h"
#include "support/posted_event_recorder.h"

namespace {

constexpr REFERENCE_TIME kSecond = 10'000'000;

class SongTuningTest : public testing::Test {
  protected:
    // Opens the song as the Open button does; answers its player's graph.
    FakeGraph& Open(const QString& path) {
        fake.fileDialogs->answers.push_back(path);
        auto query = std::make_shared<FakeGraph>();
        query->stopPosition = 60 * kSecond;
        fake.mediaGraphs->prepared.push_back(query);
        fake.mediaGraphs->prepared.push_back(std::make_shared<FakeGraph>());
        dialog.OnCommand(IDC_OPEN);
        return *fake.mediaGraphs->created.back();
    }
    void Command(int id, int times = 1) {
        for (int i = 0; i < times; ++i) dialog.OnCommand(id);
    }
    QString Caption() const {
        return dialog.playback().currentPlayer()->videoWindow()->windowTitle();
    }

    MainDialogFixture window;
    FakePlatform& fake = window.fake;
    MainDialog& dialog = window.StartAndForget();
};

TEST_F(SongTuningTest, CommandsMoveKeyAndTempoWithinTheirRangesAndShowInTheCaption) {
    FakeGraph& graph = Open("/songs/a.mp3");
    EXPECT_EQ(Caption(), "a.mp3  ");
    Command(ID_KEY_UP, 2);
    Command(ID_TEMPO_SLOWER, 2);
    EXPECT_EQ(Caption(), "a.mp3  Key +2  Tempo 90 %  ");
    Command(ID_KEY_DOWN, 20);
    Command(ID_TEMPO_FASTER, 30);
    EXPECT_EQ(graph.key, -6);
    EXPECT_EQ(graph.tempo, 150);
    Command(ID_VOCAL_CUT);
    Command(ID_RESET_TUNING);
    EXPECT_EQ(graph.key, 0);
    EXPECT_EQ(graph.tempo, 100);
    EXPECT_EQ(Caption(), "a.mp3  Vocal cut  ");
}

TEST_F(SongTuningTest, KeyAndTempoComeBackWithTheSongAndTheVocalCutStaysForEverySong) {
    Open("/songs/a.mp3");
    Command(ID_KEY_UP);
    Command(ID_TEMPO_SLOWER);
    Command(ID_VOCAL_CUT);
    FakeGraph& other = Open("/songs/b.mp3");
    EXPECT_EQ(other.key, 0);
    EXPECT_EQ(other.tempo, 100);
    EXPECT_EQ(other.vocalCut, OATRUE);
    FakeGraph& again = Open("/songs/a.mp3");
    EXPECT_EQ(again.key, 1);
    EXPECT_EQ(again.tempo, 95);
    // A seek moves the song, not its tuning.
    dialog.playback().currentPlayer()->Seek(30 * kSecond);
    EXPECT_EQ(again.key, 1);
    EXPECT_EQ(again.tempo, 95);
}

TEST(SongTuningMemoryTest, KeepsTheNewestSongsAndForgetsTheOldestFirst) {
    FakeSettingsFile file;
    SettingsStore settings(file);
    SongTuningMemory memory(settings);
    const auto song = [](int n) { return QString("/songs/%1 odd;\nname.kar").arg(n); };
    for (int n = 0; n <= SongTuningMemory::kSongs; ++n) memory.Remember(song(n), Tuning{.key = 1});
    EXPECT_EQ(memory.Recall(song(0)), Tuning{});
    // Set again, a song is the newest: the next one forgotten is song 2.
    memory.Remember(song(1), Tuning{.key = -2, .tempo = 120});
    memory.Remember("/songs/new.kar", Tuning{.tempo = 55});
    EXPECT_EQ(memory.Recall(song(1)), (Tuning{.key = -2, .tempo = 120}));
    EXPECT_EQ(memory.Recall(song(2)), Tuning{});
}

TEST_F(SongTuningTest, MenusOfBothWindowsAndTheirKeysReachTheTuning) {
    FakeGraph& graph = Open("/songs/a.mp3");
    PreviewWindow* video = dialog.playback().currentPlayer()->videoWindow();
    fake.menus->answer = ID_KEY_UP;
    dialog.ShowContextMenu(QPoint(10, 10));
    DeliverPostedEvents();
    fake.menus->answer = ID_TEMPO_FASTER;
    dialog.playback().currentPlayer()->ShowContextMenu(QPoint(10, 10));
    DeliverPostedEvents();
    EXPECT_EQ(graph.key, 1);
    EXPECT_EQ(graph.tempo, 105);

    for (QWidget* target : {static_cast<QWidget*>(&dialog), static_cast<QWidget*>(video)}) {
        target->show();
        QApplication::setActiveWindow(target);
        QTest::keyClick(target, Qt::Key_Up, Qt::ControlModifier);
        QTest::keyClick(target, Qt::Key_Left, Qt::ControlModifier);
        QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
        DeliverPostedEvents();
    }
    EXPECT_EQ(graph.key, 3);
    EXPECT_EQ(graph.tempo, 95);
    EXPECT_EQ(graph.vocalCut, OAFALSE) << "cut in one window, back in the other";
    QTest::keyClick(video, Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(video, Qt::Key_Right, Qt::ControlModifier);
    DeliverPostedEvents();
    EXPECT_EQ(graph.key, 2);
    EXPECT_EQ(graph.tempo, 100);
}

}  // namespace
