#include <gtest/gtest.h>

#include <QStringList>

#include "karaoke/lrc_reader.h"

namespace {

struct TimedText {
    LyricTimeUs startUs;
    QString text;
    bool operator==(const TimedText&) const = default;
};

std::vector<TimedText> Lines(const Lyrics& lyrics) {
    std::vector<TimedText> lines;
    for (const LyricLine& line : lyrics.lines) lines.push_back({line.startUs, line.Text()});
    return lines;
}

void PrintTo(const TimedText& line, std::ostream* os) {
    *os << line.startUs << " " << line.text.toStdString();
}

TEST(LrcReaderTest, SeveralTagsOnALineRepeatItInTimeOrder) {
    const Lyrics lyrics = ReadLrc(
        "[ti:Round]\n[ar:Trio]\n"
        "[00:10.00][00:30.50]Chorus line\n"
        "[00:20.25]Verse line\n"
        "[01:02.5][1:40]  Tail  \n");
    EXPECT_EQ(lyrics.title, "Round");
    EXPECT_EQ(lyrics.artist, "Trio");
    EXPECT_EQ(Lines(lyrics), (std::vector<TimedText>{{10'000'000, "Chorus line"},
                                                     {20'250'000, "Verse line"},
                                                     {30'500'000, "Chorus line"},
                                                     {62'500'000, "Tail"},
                                                     {100'000'000, "Tail"}}));
    for (const LyricLine& line : lyrics.lines) EXPECT_FALSE(line.wordTimed);
}

TEST(LrcReaderTest, OffsetMovesEveryTimeAndNeverBelowZero) {
    // A positive offset shows the lyrics sooner, a negative one later.
    const Lyrics sooner =
        ReadLrc("[offset:+500]\n[00:00.20]A\n[00:10.00]<00:10.00>B <00:11.00>C\n");
    EXPECT_EQ(Lines(sooner), (std::vector<TimedText>{{0, "A"}, {9'500'000, "B C"}}));
    EXPECT_EQ(sooner.lines[1].syllables[1].startUs, 10'500'000);

    const Lyrics later = ReadLrc("[00:10.00]B\r\n[offset:-1250]\r\n");
    EXPECT_EQ(Lines(later), (std::vector<TimedText>{{11'250'000, "B"}}));
}

TEST(LrcReaderTest, EnhancedWordTimesSplitTheLine) {
    const Lyrics lyrics = ReadLrc(
        "[00:05.00]<00:05.00>Some <00:05.60>words <00:06.10>here<00:07.00>\n"
        "[00:08.00]Lead <00:08.50>in\n");
    ASSERT_EQ(lyrics.lines.size(), 2u);
    const LyricLine& first = lyrics.lines[0];
    EXPECT_TRUE(first.wordTimed);
    ASSERT_EQ(first.syllables.size(), 3u);
    EXPECT_EQ(first.syllables[0].text, "Some ");
    EXPECT_EQ(first.syllables[1].startUs, 5'600'000);
    EXPECT_EQ(first.syllables[2].text, "here");
    EXPECT_EQ(first.syllables[2].startUs, 6'100'000);
    EXPECT_EQ(first.endUs, 7'000'000) << "a time after the last word ends the line";
    // Text before the first word time starts with the line.
    const LyricLine& second = lyrics.lines[1];
    ASSERT_EQ(second.syllables.size(), 2u);
    EXPECT_EQ(second.syllables[0].startUs, 8'000'000);
    EXPECT_EQ(second.syllables[0].text, "Lead ");
    EXPECT_EQ(second.endUs, kUnknownTime);
}

TEST(LrcReaderTest, LinesWithoutValidTimesAreNotSung) {
    const Lyrics lyrics = ReadLrc(
        "Just a heading\n"
        "[00:61.00]seconds out of range\n"
        "[aa:10.00]not a time\n"
        "[00:03.00]kept [00:04.00] inner tags stay text\n"
        "[00:02.00][chorus] <not a time>\n"
        "[00:01.00]\n");
    EXPECT_EQ(Lines(lyrics),
              (std::vector<TimedText>{{1'000'000, ""},
                                      {2'000'000, "[chorus] <not a time>"},
                                      {3'000'000, "kept [00:04.00] inner tags stay text"}}));
}

TEST(LrcReaderTest, LineEndingsCrLfCrAndLfAllSplit) {
    const Lyrics lyrics =
        ReadLrc("[00:01.00]one\r\n[00:02.00]two\r[00:03.00]three\n\n[00:04.00]four");
    EXPECT_EQ(
        Lines(lyrics),
        (std::vector<TimedText>{
            {1'000'000, "one"}, {2'000'000, "two"}, {3'000'000, "three"}, {4'000'000, "four"}}));
}

TEST(LrcReaderTest, TextEncodings) {
    EXPECT_EQ(ReadLrc("[00:01.00]Gar\xE7on \x93hi\x94").lines.at(0).Text(),
              QString::fromUtf8("Garçon “hi”"));
    EXPECT_EQ(
        ReadLrc("\xEF\xBB\xBF[ti:Caf\xC3\xA9]\n[00:01.00]\xC3\xA9t\xC3\xA9").lines.at(0).Text(),
        QString::fromUtf8("été"));
    const QByteArray utf16 =
        QByteArray("\xFF\xFE", 2) + QByteArray(reinterpret_cast<const char*>(u"[00:01.00]ü"), 22);
    EXPECT_EQ(ReadLrc(utf16).lines.at(0).Text(), QString::fromUtf8("ü"));
}

TEST(LrcReaderTest, GarbageGivesNoLines) {
    QByteArray noise;
    for (int i = 0; i < 4096; ++i) noise += static_cast<char>((i * 7919) % 251);
    EXPECT_TRUE(ReadLrc(noise).lines.empty());
    EXPECT_TRUE(ReadLrc("[[[[]]]][:][00:][:00]<00:01.00>").lines.empty());
    EXPECT_TRUE(ReadLrc("").lines.empty());
}

TEST(LrcReaderTest, RepeatedTagsCannotMultiplyWithoutBound) {
    QByteArray line;
    for (int i = 0; i < 50000; ++i) line += "[00:01.00]";
    line += QByteArray(200, 'x');
    const Lyrics lyrics = ReadLrc(line);
    EXPECT_LE(lyrics.lines.size(), 20000u);
    EXPECT_FALSE(lyrics.lines.empty());
}

}  // namespace
