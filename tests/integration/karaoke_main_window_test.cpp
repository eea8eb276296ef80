#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "desktop/event_loop_wait.h"
#include "karaoke_test_pipeline.h"
#include "playback/player_window.h"
#include "playback/preview_window.h"
#include "resources/resource_ids.h"
#include "support/karaoke_files.h"
#include "support/main_dialog_fixture.h"

namespace {

const char kLengthMessage[] =
    "Cannot open the file and get the total time. \nOr the file May be corrupt.";

// Three seconds of CD+G: a colour table and a screen of colour 1 (green).
QByteArray GreenGraphics() {
    QByteArray stream =
        cdg::LoadColors(false, {cdg::Rgb4{0, 0, 0}, cdg::Rgb4{0, 15, 0}}) + cdg::MemoryPreset(1);
    while (stream.size() < 900 * 24) stream += QByteArray(24, '\0');
    return stream;
}

class KaraokeMainWindowTest : public testing::Test {
  protected:
    QString Path(const QString& name) const { return folder.filePath(name); }
    void Open(const QString& path) {
        fake.messages->shown.clear();
        fake.fileDialogs->answers.push_back(path);
        dialog.OnCommand(IDC_OPEN);
    }
    // The song opened: its name and length in the title, its graphics in the video window.
    void ExpectOpenWithVideo(const QString& title, QSize videoSize) {
        EXPECT_TRUE(fake.messages->shown.empty());
        EXPECT_EQ(dialog.windowTitle(), title);
        PlayerWindow* player = dialog.playback().currentPlayer();
        ASSERT_TRUE(player);
        EXPECT_FALSE(player->audioOnly());
        EXPECT_TRUE(player->videoWindow()->isVisible());
        EXPECT_EQ(player->videoWindow()->size(), videoSize);
    }
    void ExpectLengthMessage(const QString& path) {
        ASSERT_EQ(fake.messages->shown.size(), 1u) << path.toStdString();
        EXPECT_EQ(fake.messages->shown[0].text, kLengthMessage);
    }

    QTemporaryDir folder;
    MainDialogFixture window{{.realPlayback = true}};
    FakePlatform& fake = window.fake;
    MainDialog& dialog = window.StartAndForget();
};

TEST_F(KaraokeMainWindowTest, CdgPairOpensFromEitherSideAndPlaysToTheEnd) {
    ASSERT_TRUE(WriteFile(Path("duet.cdg"), GreenGraphics()));
    ASSERT_TRUE(WriteTone(Path("duet.mp3"), 3.0, "lamemp3enc ! xingmux"));
    Open(Path("duet.cdg"));
    ExpectOpenWithVideo("duet.cdg   00:00:03", QSize(600, 432));
    Open(Path("duet.mp3"));
    ExpectOpenWithVideo("duet.mp3   00:00:03", QSize(600, 432));
    PlayerWindow* player = dialog.playback().currentPlayer();
    ASSERT_TRUE(player);
    ASSERT_EQ(player->Seek(25'000'000), S_OK);
    player->Run();
    ASSERT_TRUE(RunEventLoopUntil([&] { return player->state() == PlayerState::Stopped; }, 20000))
        << "the end of the song stops the player";
}

TEST_F(KaraokeMainWindowTest, KarAndLrcSongsShowTheirLyrics) {
    ASSERT_TRUE(WriteFile(Path("night.kar"), song::Kar()));
    Open(Path("night.kar"));
    ExpectOpenWithVideo("night.kar   00:00:05", QSize(640, 360));
    PlayerWindow* player = dialog.playback().currentPlayer();
    ASSERT_TRUE(player);
    ASSERT_EQ(player->Seek(42'000'000), S_OK);
    player->Run();
    ASSERT_TRUE(RunEventLoopUntil([&] { return player->state() == PlayerState::Stopped; }, 20000))
        << "the synthesised song ends, and its lyrics with it";
    ASSERT_TRUE(WriteFile(Path("words.lrc"), song::Lrc()));
    ASSERT_TRUE(WriteTone(Path("words.flac"), 3.5, "flacenc"));
    Open(Path("words.lrc"));
    ExpectOpenWithVideo("words.lrc   00:00:03", QSize(640, 360));
}

TEST_F(KaraokeMainWindowTest, BrokenSongsEndInTheMessageAndTheWindowGoesOn) {
    ASSERT_TRUE(WriteFile(Path("lonely.cdg"), GreenGraphics()));
    QByteArray noise;
    for (int i = 0; i < 3000; ++i) noise += static_cast<char>((i * 131) % 256);
    ASSERT_TRUE(WriteFile(Path("noise.lrc"), noise));
    ASSERT_TRUE(WriteTone(Path("noise.ogg"), 1.0, "vorbisenc ! oggmux"));
    QByteArray cut = song::Kar();
    cut[cut.indexOf("MTrk", 30) + 4] = '\x10';  // the words track claims far more than there is
    ASSERT_TRUE(WriteFile(Path("cut.kar"), cut));
    for (const char* name : {"lonely.cdg", "noise.lrc", "cut.kar"}) {
        Open(Path(name));
        ExpectLengthMessage(name);
        EXPECT_FALSE(dialog.playback().currentPlayer()) << name;
    }

    // A CD+G cut short plays what it has over its whole audio.
    ASSERT_TRUE(WriteFile(Path("short.cdg"), GreenGraphics().first(100 * 24 + 5)));
    ASSERT_TRUE(WriteTone(Path("short.wav"), 2.0, "wavenc"));
    Open(Path("short.cdg"));
    ExpectOpenWithVideo("short.cdg   00:00:02", QSize(600, 432));
}

}  // namespace
