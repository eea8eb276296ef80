#include <gtest/gtest.h>

#include <QStringList>

#include "karaoke/lyric_layout.h"
#include "karaoke/midi_lyrics_reader.h"
#include "support/karaoke_files.h"

namespace {

constexpr std::uint16_t kTicksPerQuarter = 480;

QStringList LineTexts(const Lyrics& lyrics) {
    QStringList texts;
    for (const LyricLine& line : lyrics.lines) texts << line.Text();
    return texts;
}

// 120 bpm (a quarter is 0.5 s) until tick 1920 = 2 s, then 240 bpm (a quarter is 0.25 s).
midi::Track TempoTrack() {
    midi::Track track;
    track.Tempo(0, 500000).Tempo(1920, 250000);
    return track;
}

QByteArray KarSong() {
    midi::Track words;
    words.Text(0, "@KMIDI KARAOKE FILE")
        .Text(0, "@TMy Song")
        .Text(0, "@TThe Singer")
        .Text(0, "@LENGL")
        .Text(960, "\\Hel")     // 1.0 s
        .Text(1440, "lo")       // 1.5 s
        .Text(1920, " world")   // 2.0 s
        .Text(2400, "/Se")      // 2.25 s
        .Text(2880, "cond")     // 2.5 s
        .Text(3840, "\\New")    // 3.0 s
        .Text(4080, " start");  // 3.125 s
    midi::Track melody;
    melody.Note(960, 60, 400).RunningStatusNote(1440, 62, 400).SysEx(1500, "\x7E\x7F\x09\x01\xF7");
    melody.Note(1920, 64, 400);
    return midi::File(1, kTicksPerQuarter, {TempoTrack(), words, melody});
}

TEST(MidiLyricsTest, KarTextEventsFollowTheTempoMapAndLayoutMarks) {
    const Lyrics lyrics = ReadMidiLyrics(KarSong());
    EXPECT_EQ(lyrics.title, "My Song");
    EXPECT_EQ(lyrics.artist, "The Singer");
    ASSERT_EQ(LineTexts(lyrics), QStringList({"Hello world", "Second", "New start"}));
    EXPECT_EQ(lyrics.lines[0].startUs, 1'000'000);
    EXPECT_TRUE(lyrics.lines[0].startsParagraph);
    EXPECT_EQ(lyrics.lines[1].startUs, 2'250'000);
    EXPECT_FALSE(lyrics.lines[1].startsParagraph);
    EXPECT_EQ(lyrics.lines[1].syllables[1].startUs, 2'500'000);
    EXPECT_EQ(lyrics.lines[2].startUs, 3'000'000);
    EXPECT_TRUE(lyrics.lines[2].startsParagraph);
    EXPECT_EQ(lyrics.lines[2].syllables[1].startUs, 3'125'000);
}

TEST(MidiLyricsTest, HighlightFollowsTheSyllablesInTime) {
    const Lyrics lyrics = ReadMidiLyrics(KarSong());
    ASSERT_EQ(lyrics.lines.size(), 3u);
    const LyricLine& first = lyrics.lines[0];
    const LyricTimeUs next = lyrics.lines[1].startUs;
    EXPECT_DOUBLE_EQ(SungCharacters(first, next, 999'999), 0);
    // "Hel" wipes from 1.0 s to 1.5 s, "lo" to 2.0 s, " world" until the next line.
    EXPECT_DOUBLE_EQ(SungCharacters(first, next, 1'250'000), 1.5);
    EXPECT_DOUBLE_EQ(SungCharacters(first, next, 1'600'000), 3.4);
    EXPECT_DOUBLE_EQ(SungCharacters(first, next, 2'000'000), 5);
    EXPECT_DOUBLE_EQ(SungCharacters(first, next, 2'250'000), 11);
    // After the tempo change "Se" lasts a quarter, now 0.25 s.
    EXPECT_DOUBLE_EQ(SungCharacters(lyrics.lines[1], lyrics.lines[2].startUs, 2'375'000), 1);
}

TEST(MidiLyricsTest, LyricEventsBreakLinesAtCarriageReturns) {
    midi::Track track;
    track
        .Tempo(0, 1'000'000)  // a quarter per second
        .Text(0, "Copyright nobody")
        .Lyric(480, "Twin")
        .Lyric(960, "kle\r")
        .Lyric(1440, "Lit")
        .Lyric(1920, "tle\n")
        .Lyric(2400, "\rstar");
    const Lyrics lyrics = ReadMidiLyrics(midi::File(0, kTicksPerQuarter, {track}));
    ASSERT_EQ(LineTexts(lyrics), QStringList({"Twinkle", "Little", "star"}));
    EXPECT_EQ(lyrics.lines[1].startUs, 3'000'000);
    EXPECT_EQ(lyrics.lines[2].startUs, 5'000'000);
}

TEST(MidiLyricsTest, RiffWrappedFileReadsLikeThePlainOne) {
    const QByteArray smf = KarSong();
    const Lyrics wrapped = ReadMidiLyrics(midi::RiffWrapped(smf));
    EXPECT_EQ(LineTexts(wrapped), LineTexts(ReadMidiLyrics(smf)));
    EXPECT_EQ(wrapped.lines.at(1).startUs, 2'250'000);
}

TEST(MidiLyricsTest, ChunkLengthPastTheEndKeepsWhatIsThere) {
    QByteArray file = KarSong();
    // Cut inside the melody track, whose header still claims its full length.
    file.chop(12);
    EXPECT_EQ(LineTexts(ReadMidiLyrics(file)), QStringList({"Hello world", "Second", "New start"}));

    // A words track whose declared length runs past the end of the file.
    QByteArray words =
        midi::File(0, kTicksPerQuarter, {midi::Track().Text(0, "\\One").Text(480, "/Two")});
    words[18] = '\x7F';
    EXPECT_EQ(LineTexts(ReadMidiLyrics(words)), QStringList({"One", "Two"}));
    // An event cut in the middle of its text ends the track there.
    const qsizetype cut = words.indexOf("/Two") + 2;
    EXPECT_EQ(LineTexts(ReadMidiLyrics(words.first(cut))), QStringList({"One"}));
}

TEST(MidiLyricsTest, SmpteDivisionCountsTicksPerFrame) {
    // 25 frames per second, 40 ticks per frame: 1000 ticks a second; tempo does not apply.
    midi::Track track;
    track.Tempo(0, 250000).Lyric(2500, "La").Lyric(4000, "\rla");
    const std::uint16_t division = static_cast<std::uint16_t>((0x100 - 25) << 8 | 40);
    const Lyrics lyrics = ReadMidiLyrics(midi::File(0, division, {track}));
    ASSERT_EQ(lyrics.lines.size(), 2u);
    EXPECT_EQ(lyrics.lines[0].startUs, 2'500'000);
    EXPECT_EQ(lyrics.lines[1].startUs, 4'000'000);
}

TEST(MidiLyricsTest, LegacyTextIsDecodedAsWindows1252) {
    midi::Track track;
    track.Text(0, "@TCaf\xE9").Text(480, "\\Gar\xE7on").Text(960, " \x80");
    const Lyrics lyrics = ReadMidiLyrics(midi::File(0, kTicksPerQuarter, {track}));
    EXPECT_EQ(lyrics.title, QString::fromUtf8("Café"));
    EXPECT_EQ(LineTexts(lyrics), QStringList({QString::fromUtf8("Garçon €")}));
}

TEST(MidiLyricsTest, FilesWithoutSungTextGiveNoLines) {
    midi::Track remarks;
    remarks.Text(0, "Copyright 1999").Text(0, "Piano").Note(0, 60, 480);
    EXPECT_TRUE(ReadMidiLyrics(midi::File(0, kTicksPerQuarter, {remarks})).lines.empty());
    EXPECT_TRUE(ReadMidiLyrics("MThd").lines.empty());
    EXPECT_TRUE(ReadMidiLyrics(QByteArray("RIFF\x04\0\0\0RMID", 12)).lines.empty());
    EXPECT_TRUE(ReadMidiLyrics(QByteArray(300, '\xFF')).lines.empty());
    // A zero time division could not place anything in time.
    EXPECT_TRUE(ReadMidiLyrics(midi::File(0, 0, {midi::Track().Lyric(0, "x")})).lines.empty());
}

}  // namespace
