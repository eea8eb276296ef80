#include <gtest/gtest.h>

#include "karaoke/lyric_layout.h"
#include "karaoke/lyrics_renderer.h"

namespace {

LyricLine Line(LyricTimeUs start,
               std::initializer_list<std::pair<LyricTimeUs, const char*>> syllables,
               bool paragraph = false) {
    LyricLine line;
    line.startUs = start;
    line.startsParagraph = paragraph;
    for (auto [time, text] : syllables) line.syllables.push_back({time, QString::fromUtf8(text)});
    return line;
}

// Two paragraphs: lines at 1, 2, 3, 4 s and, after a break, 10 and 11 s.
Lyrics Song() {
    Lyrics lyrics;
    lyrics.lines = {
        Line(1'000'000, {{1'000'000, "one"}}, true),   Line(2'000'000, {{2'000'000, "two"}}),
        Line(3'000'000, {{3'000'000, "three"}}),       Line(4'000'000, {{4'000'000, "four"}}),
        Line(10'000'000, {{10'000'000, "ten"}}, true), Line(11'000'000, {{11'000'000, "eleven"}})};
    return lyrics;
}

QStringList Texts(const std::vector<LyricRow>& rows) {
    QStringList texts;
    for (const LyricRow& row : rows) texts << (row.current ? "*" + row.text : row.text);
    return texts;
}

TEST(LyricLayoutTest, ShowsThePreviousLineTheCurrentOneAndWhatFollows) {
    const Lyrics song = Song();
    EXPECT_EQ(Texts(LyricRowsAt(song, 0, 4)), QStringList({"one", "two", "three", "four"}));
    EXPECT_EQ(Texts(LyricRowsAt(song, 1'500'000, 4)),
              QStringList({"*one", "two", "three", "four"}));
    EXPECT_EQ(Texts(LyricRowsAt(song, 2'500'000, 4)),
              QStringList({"one", "*two", "three", "four"}));
    // The next paragraph comes after an empty row once there is room for both.
    EXPECT_EQ(Texts(LyricRowsAt(song, 3'500'000, 4)), QStringList({"two", "*three", "four"}));
    EXPECT_EQ(Texts(LyricRowsAt(song, 4'500'000, 4)), QStringList({"three", "*four", "", "ten"}));
    // Once the new paragraph is sung, the old one is gone.
    EXPECT_EQ(Texts(LyricRowsAt(song, 10'000'000, 4)), QStringList({"*ten", "eleven"}));
    EXPECT_EQ(Texts(LyricRowsAt(song, 99'000'000, 4)), QStringList({"ten", "*eleven"}));
    EXPECT_EQ(Texts(LyricRowsAt(song, 2'500'000, 2)), QStringList({"one", "*two"}));
    EXPECT_TRUE(LyricRowsAt(Lyrics{}, 0, 4).empty());
}

TEST(LyricLayoutTest, SungPartOfRows) {
    const std::vector<LyricRow> rows = LyricRowsAt(Song(), 2'500'000, 4);
    EXPECT_DOUBLE_EQ(rows[0].sungCharacters, 3) << "the previous line is sung";
    EXPECT_DOUBLE_EQ(rows[1].sungCharacters, 1.5) << "halfway from 2 s to the next line at 3 s";
    EXPECT_DOUBLE_EQ(rows[2].sungCharacters, 0);
}

TEST(LyricLayoutTest, WipeOfAWordIsLimitedBeforeALongRest) {
    LyricLine line = Line(0, {{0, "ab"}, {10'000'000, "cd"}});
    EXPECT_DOUBLE_EQ(SungCharacters(line, kUnknownTime, 1'000'000), 1);
    EXPECT_DOUBLE_EQ(SungCharacters(line, kUnknownTime, 2'000'000), 2);
    EXPECT_DOUBLE_EQ(SungCharacters(line, kUnknownTime, 9'999'999), 2);
    // The last word of a line ends at its end time, else at the next line.
    line.endUs = 10'500'000;
    EXPECT_DOUBLE_EQ(SungCharacters(line, 12'000'000, 10'250'000), 3);
    line.endUs = kUnknownTime;
    EXPECT_DOUBLE_EQ(SungCharacters(line, 11'000'000, 10'250'000), 2.5);
}

TEST(LyricLayoutTest, PlainLineIsSungWholeFromItsStart) {
    LyricLine line = Line(5'000'000, {{5'000'000, "whole line"}});
    line.wordTimed = false;
    EXPECT_DOUBLE_EQ(SungCharacters(line, 9'000'000, 4'999'999), 0);
    EXPECT_DOUBLE_EQ(SungCharacters(line, 9'000'000, 5'000'000), 10);
}

int CountColor(const QImage& image, QRect area, QColor color) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) count += image.pixelColor(x, y) == color;
    }
    return count;
}

TEST(LyricsRendererTest, SungPartIsDrawnInTheHighlightColour) {
    Lyrics lyrics;
    lyrics.lines = {Line(0, {{0, "MMMMMMMM"}, {1'000'000, "MMMMMMMM"}}),
                    Line(2'000'000, {{2'000'000, "WWWW"}})};
    const LyricsRenderer renderer(lyrics);
    const QImage image = renderer.Render(QSize(640, 360), 1'000'000);
    ASSERT_EQ(image.size(), QSize(640, 360));
    // Half the first row is sung: highlight left of the centre, plain text right of it.
    const QRect left(0, 0, 318, 360), right(322, 0, 318, 360);
    EXPECT_GT(CountColor(image, left, LyricsRenderer::kSungColor), 500);
    EXPECT_EQ(CountColor(image, right, LyricsRenderer::kSungColor), 0);
    EXPECT_GT(CountColor(image, right, LyricsRenderer::kTextColor), 500);
    EXPECT_EQ(image.pixelColor(2, 2), LyricsRenderer::kBackground);
    // Before anything is sung nothing is highlighted; at the end everything is.
    EXPECT_EQ(CountColor(renderer.Render(QSize(320, 180), -1), QRect(0, 0, 320, 180),
                         LyricsRenderer::kSungColor),
              0);
    const QImage done = renderer.Render(QSize(320, 180), 60'000'000);
    EXPECT_EQ(CountColor(done, QRect(0, 0, 320, 180), LyricsRenderer::kTextColor), 0);
}

TEST(LyricsRendererTest, LongLinesShrinkToFitTheWidth) {
    Lyrics lyrics;
    lyrics.lines = {
        Line(0, {{0, "a very long line of lyrics that could never fit the width at full size"}})};
    const QImage image = LyricsRenderer(lyrics).Render(QSize(320, 180), 5'000'000);
    const int edge = CountColor(image, QRect(0, 0, 4, 180), LyricsRenderer::kBackground) +
                     CountColor(image, QRect(316, 0, 4, 180), LyricsRenderer::kBackground);
    EXPECT_EQ(edge, 8 * 180) << "no text reaches the edges";
    EXPECT_GT(CountColor(image, QRect(0, 0, 320, 180), LyricsRenderer::kSungColor), 20);
}

}  // namespace
