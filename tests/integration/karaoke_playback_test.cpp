#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QUrl>

#include "gst/karaoke/karaoke_source.h"
#include "karaoke/extraction_folder.h"
#include "karaoke/karaoke_frames.h"
#include "karaoke/karaoke_media.h"
#include "karaoke/lyrics_renderer.h"
#include "karaoke_test_pipeline.h"
#include "services/media_graph.h"
#include "support/karaoke_files.h"

namespace {

// Three colours of the test table, each filling the screen for one second of the song.
constexpr cdg::Rgb4 kRed{15, 0, 0}, kGreen{0, 15, 0}, kBlue{0, 0, 15};
const QRgb kRedPixel = qRgb(255, 0, 0), kGreenPixel = qRgb(0, 255, 0), kBluePixel = qRgb(0, 0, 255);

QByteArray Idle(int packets) {
    QByteArray idle;
    for (int i = 0; i < packets; ++i) idle += cdg::NotGraphics().first(1) + QByteArray(23, '\0');
    return idle;
}

// Red from the start, green from 1 s, blue from 2 s, with a white tile at row 8 column 25.
QByteArray ThreeColourGraphics() {
    QByteArray stream = cdg::LoadColors(false, {kRed, kGreen, kBlue, cdg::Rgb4{15, 15, 15}}) +
                        cdg::MemoryPreset(0) + cdg::SolidTile(3, 8, 25);
    stream += Idle(300 - 3);
    stream += cdg::MemoryPreset(1) + cdg::SolidTile(3, 8, 25) + Idle(298);
    stream += cdg::MemoryPreset(2) + Idle(299);
    return stream;
}

QString KaraokeUri(const QString& path) {
    const QString uri = KaraokeUriFor(path);
    EXPECT_FALSE(uri.isEmpty()) << path.toStdString();
    return uri;
}

// The colour in the middle of a 2x CD+G frame, away from the tile.
QRgb Middle(const QImage& frame) {
    return frame.pixel(100, 100) | 0xFF000000;
}

class KaraokePlaybackTest : public testing::Test {
  protected:
    void SetUp() override { RegisterKaraokeElements(); }
    QString Path(const QString& name) const { return folder.filePath(name); }

    QTemporaryDir folder;
};

TEST_F(KaraokePlaybackTest, CdgWithItsAudioPlaysAsVideoOnTheSongsLength) {
    ASSERT_TRUE(WriteFile(Path("song.cdg"), ThreeColourGraphics()));
    ASSERT_TRUE(WriteTone(Path("Song.WAV"), 3.0, "wavenc"));
    TestPlaybin player(KaraokeUri(Path("song.cdg")));
    QString error;
    ASSERT_TRUE(player.Preroll(&error)) << error.toStdString();
    EXPECT_EQ(player.StreamCount("n-video"), 1);
    EXPECT_EQ(player.StreamCount("n-audio"), 1);
    const auto duration = player.DurationNs();
    ASSERT_TRUE(duration);
    EXPECT_NEAR(*duration / 1e9, 3.0, 0.05);

    auto frame = player.PausedFrame();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->size(), QSize(600, 432)) << "shown at twice the CD+G size";
    ASSERT_TRUE(player.Seek(500'000'000));
    frame = player.PausedFrame();
    EXPECT_EQ(Middle(*frame), kRedPixel);
    EXPECT_EQ(frame->pixel(25 * 12 + 2, 8 * 24 + 2) | 0xFF000000, qRgb(255, 255, 255));

    ASSERT_TRUE(player.Seek(2'500'000'000));
    EXPECT_EQ(Middle(*player.PausedFrame()), kBluePixel);
    // Back: the screen is rebuilt from the start, tile included.
    ASSERT_TRUE(player.Seek(1'500'000'000));
    frame = player.PausedFrame();
    EXPECT_EQ(Middle(*frame), kGreenPixel);
    EXPECT_EQ(frame->pixel(25 * 12 + 2, 8 * 24 + 2) | 0xFF000000, qRgb(255, 255, 255));
}

TEST_F(KaraokePlaybackTest, GraphicsFollowTheAudioClockAndEndWithTheSong) {
    ASSERT_TRUE(WriteFile(Path("clock.cdg"), ThreeColourGraphics() + Idle(3000)));
    ASSERT_TRUE(WriteTone(Path("clock.ogg"), 2.5, "vorbisenc ! oggmux"));
    TestPlaybin player(KaraokeUri(Path("clock.ogg")));
    ASSERT_TRUE(player.Preroll());
    ASSERT_TRUE(player.Seek(700'000'000));
    ASSERT_TRUE(player.Play());
    // The first green frame is shown when the song reaches 1 s, not before.
    for (int i = 0; i < 100; ++i) {
        const auto frame = player.NextFrame();
        ASSERT_TRUE(frame);
        if (Middle(frame->first) != kGreenPixel) continue;
        EXPECT_NEAR(frame->second / 1e9, 1.0, 0.045);
        EXPECT_NEAR(player.PositionNs() / 1e9, 1.0, 0.15);
        break;
    }
    // The graphics run on past the audio, yet the song ends with its audio.
    EXPECT_TRUE(player.WaitForEnd(5000));
}

TEST_F(KaraokePlaybackTest, ZipPairPlays) {
    ASSERT_TRUE(WriteTone(Path("inner.mp3"), 1.5, "lamemp3enc ! xingmux"));
    QFile mp3(Path("inner.mp3"));
    ASSERT_TRUE(mp3.open(QIODevice::ReadOnly));
    ASSERT_TRUE(WriteFile(Path("pair.zip"), zip::Archive({{"Hit.cdg", ThreeColourGraphics(), true},
                                                          {"Hit.mp3", mp3.readAll(), false}})));
    TestPlaybin player(KaraokeUri(Path("pair.zip")));
    QString error;
    ASSERT_TRUE(player.Preroll(&error)) << error.toStdString();
    EXPECT_EQ(player.StreamCount("n-video"), 1);
    ASSERT_TRUE(player.Seek(1'200'000'000));
    EXPECT_EQ(Middle(*player.PausedFrame()), kGreenPixel);
    const auto duration = player.DurationNs();
    ASSERT_TRUE(duration);
    EXPECT_NEAR(*duration / 1e9, 1.5, 0.1);
}

// Files and bytes under a folder, its subfolders included.
std::pair<int, qint64> Contents(const QString& folder) {
    std::pair<int, qint64> contents;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++contents.first;
        contents.second += it.fileInfo().size();
    }
    return contents;
}

TEST_F(KaraokePlaybackTest, ZipSongsTakeTheirCopiesAlongWhenClosed) {
    ASSERT_TRUE(WriteTone(Path("inner.mp3"), 1.0, "lamemp3enc ! xingmux"));
    QFile mp3(Path("inner.mp3"));
    ASSERT_TRUE(mp3.open(QIODevice::ReadOnly));
    const QByteArray pair =
        zip::Archive({{"Hit.cdg", ThreeColourGraphics(), true}, {"Hit.mp3", mp3.readAll(), false}});
    ASSERT_TRUE(WriteFile(Path("pair.zip"), pair));
    ASSERT_TRUE(WriteFile(Path("bomb.zip"), zip::WithDeclaredSize(pair, 1, 1u << 30)));
    const QString run = ExtractionRunFolder();
    const auto graphs = MakeGstMediaGraphs();
    for (int song = 0; song < 20; ++song) {
        std::shared_ptr<GraphBuilder> graph;
        ASSERT_EQ(graphs->CreateFilterGraph(graph), S_OK);
        ASSERT_EQ(graph->RenderFile(Path("pair.zip")), S_OK);
        EXPECT_EQ(Contents(run).first, 2) << "the open song's two copies";
    }
    const auto [files, bytes] = Contents(run);
    EXPECT_EQ(files, 0) << bytes << " bytes left";

    std::shared_ptr<GraphBuilder> graph;
    ASSERT_EQ(graphs->CreateFilterGraph(graph), S_OK);
    EXPECT_EQ(graph->RenderFile(Path("bomb.zip")), E_FAIL);
    EXPECT_EQ(Contents(run).first, 0) << "nothing of the bomb written";
}

TEST_F(KaraokePlaybackTest, TruncatedCdgPlaysItsWholePacketsToTheEndOfTheAudio) {
    QByteArray graphics = ThreeColourGraphics().first(300 * 24 + 7);
    ASSERT_TRUE(WriteFile(Path("cut.cdg"), graphics));
    ASSERT_TRUE(WriteTone(Path("cut.flac"), 1.5, "flacenc"));
    TestPlaybin player(KaraokeUri(Path("cut.cdg")));
    ASSERT_TRUE(player.Preroll());
    ASSERT_TRUE(player.Seek(1'400'000'000));
    EXPECT_EQ(Middle(*player.PausedFrame()), kRedPixel) << "the last screen stays";
    ASSERT_TRUE(player.Play());
    EXPECT_TRUE(player.WaitForEnd(4000));
}

TEST_F(KaraokePlaybackTest, CdgWithoutItsAudioFailsWithAMessage) {
    ASSERT_TRUE(WriteFile(Path("lonely.cdg"), ThreeColourGraphics()));
    TestPlaybin player(KaraokeUri(Path("lonely.cdg")));
    QString error;
    EXPECT_FALSE(player.Preroll(&error));
    EXPECT_TRUE(error.contains("No audio")) << error.toStdString();
}

TEST_F(KaraokePlaybackTest, PlainAudioFilesKeepTheirOwnUri) {
    ASSERT_TRUE(WriteTone(Path("plain.wav"), 0.2, "wavenc"));
    EXPECT_TRUE(KaraokeUriFor(Path("plain.wav")).isEmpty());
    EXPECT_EQ(QUrl(KaraokeUriFor(Path("a b#c.cdg"))).path(), Path("a b#c.cdg"));
}

}  // namespace

namespace {

// Pixels of a lyrics row (four rows of 72 pixels from y = 36 in a 640x360 frame) drawn in
// a colour.
int RowPixels(const QImage& frame, int row, QColor color) {
    int count = 0;
    for (int y = 36 + row * 72; y < 36 + (row + 1) * 72; ++y) {
        for (int x = 0; x < frame.width(); ++x)
            count += (frame.pixel(x, y) | 0xFF000000) == color.rgb();
    }
    return count;
}

const QColor kSung = LyricsRenderer::kSungColor;
const QColor kUnsung = LyricsRenderer::kTextColor;

TEST_F(KaraokePlaybackTest, KarPlaysSynthesisedWithItsSyllablesHighlightedInTime) {
    ASSERT_FALSE(FindSoundFont().isEmpty()) << "timgm6mb-soundfont is part of the set-up";
    ASSERT_TRUE(WriteFile(Path("night.kar"), song::Kar()));
    TestPlaybin player(KaraokeUri(Path("night.kar")));
    QString error;
    ASSERT_TRUE(player.Preroll(&error)) << error.toStdString();
    EXPECT_EQ(player.StreamCount("n-audio"), 1);
    EXPECT_EQ(player.StreamCount("n-video"), 1);
    const auto duration = player.DurationNs();
    ASSERT_TRUE(duration);
    EXPECT_NEAR(*duration / 1e9, 5.0, 0.3);

    ASSERT_TRUE(player.Seek(500'000'000));
    QImage frame = *player.PausedFrame();
    EXPECT_EQ(frame.size(), kLyricFrameSize);
    EXPECT_EQ(RowPixels(frame, 0, kSung), 0) << "nothing sung before the first syllable";
    EXPECT_GT(RowPixels(frame, 0, kUnsung), 100);

    ASSERT_TRUE(player.Seek(1'250'000'000));  // halfway through "Sing"
    frame = *player.PausedFrame();
    const int partly = RowPixels(frame, 0, kSung);
    EXPECT_GT(partly, 20);
    EXPECT_GT(RowPixels(frame, 0, kUnsung), 100);
    ASSERT_TRUE(player.Seek(2'600'000'000));  // "Sing a song" sung, the second line begun
    frame = *player.PausedFrame();
    EXPECT_GT(RowPixels(frame, 0, kSung), partly * 2);
    EXPECT_EQ(RowPixels(frame, 0, kUnsung), 0);
    EXPECT_GT(RowPixels(frame, 1, kSung), 0);
    EXPECT_GT(RowPixels(frame, 1, kUnsung), 0);
}

TEST_F(KaraokePlaybackTest, KarWithoutTheSoundFontFailsSayingWhatIsMissing) {
    ASSERT_TRUE(WriteFile(Path("font.kar"), song::Kar()));
    const QByteArray dataDirs = qgetenv("XDG_DATA_DIRS"), dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_DIRS", Path("nothing").toUtf8());
    qputenv("XDG_DATA_HOME", Path("nothing").toUtf8());
    TestPlaybin player(KaraokeUri(Path("font.kar")));
    QString error;
    const bool played = player.Preroll(&error);
    qputenv("XDG_DATA_DIRS", dataDirs);
    qputenv("XDG_DATA_HOME", dataHome);
    if (dataDirs.isNull()) qunsetenv("XDG_DATA_DIRS");
    if (dataHome.isNull()) qunsetenv("XDG_DATA_HOME");
    EXPECT_FALSE(played);
    EXPECT_TRUE(error.contains("timgm6mb-soundfont")) << error.toStdString();
}

TEST_F(KaraokePlaybackTest, LrcShowsLinesAndThenWordsAsTheyAreSung) {
    ASSERT_TRUE(WriteFile(Path("words.lrc"), song::Lrc()));
    ASSERT_TRUE(WriteTone(Path("words.ogg"), 3.5, "vorbisenc ! oggmux"));
    TestPlaybin player(KaraokeUri(Path("words.lrc")));
    ASSERT_TRUE(player.Preroll());
    EXPECT_EQ(player.StreamCount("n-video"), 1);

    ASSERT_TRUE(player.Seek(1'000'000'000));  // the plain first line is sung whole
    QImage frame = *player.PausedFrame();
    EXPECT_GT(RowPixels(frame, 0, kSung), 100);
    EXPECT_EQ(RowPixels(frame, 0, kUnsung), 0);
    EXPECT_EQ(RowPixels(frame, 1, kSung), 0);
    EXPECT_GT(RowPixels(frame, 1, kUnsung), 100);

    ASSERT_TRUE(player.Seek(2'200'000'000));  // "Word" sung, "by" under way, "word" to come
    frame = *player.PausedFrame();
    EXPECT_GT(RowPixels(frame, 1, kSung), 50);
    EXPECT_GT(RowPixels(frame, 1, kUnsung), 50);
    // The same song opened from its audio shows the same picture.
    TestPlaybin fromAudio(KaraokeUri(Path("words.ogg")));
    ASSERT_TRUE(fromAudio.Preroll());
    ASSERT_TRUE(fromAudio.Seek(2'200'000'000));
    EXPECT_EQ(*fromAudio.PausedFrame(), frame);
}

TEST_F(KaraokePlaybackTest, GarbageLrcFailsAloneButLeavesItsAudioPlayable) {
    QByteArray noise;
    for (int i = 0; i < 2000; ++i) noise += static_cast<char>((i * 37) % 256);
    ASSERT_TRUE(WriteFile(Path("noise.lrc"), noise));
    ASSERT_TRUE(WriteTone(Path("noise.wav"), 1.0, "wavenc"));
    TestPlaybin lyrics(KaraokeUri(Path("noise.lrc")));
    QString error;
    EXPECT_FALSE(lyrics.Preroll(&error));
    EXPECT_TRUE(error.contains("no timed lyrics")) << error.toStdString();

    TestPlaybin audio(KaraokeUri(Path("noise.wav")));
    ASSERT_TRUE(audio.Preroll(&error)) << error.toStdString();
    EXPECT_EQ(audio.StreamCount("n-audio"), 1);
    EXPECT_EQ(audio.StreamCount("n-video"), 0);
}

}  // namespace
