#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

// Writers of karaoke files for tests, built from the public format descriptions so that
// every test makes its own media.

namespace cdg {

struct Rgb4 {
    int red, green, blue;  // 0..15
};

QByteArray Packet(int instruction, std::initializer_list<int> data);
QByteArray NotGraphics();
QByteArray MemoryPreset(int color, int repeat = 0);
QByteArray BorderPreset(int color);
// Twelve 6-bit rows; bit 0x20 is the leftmost pixel.
QByteArray Tile(int color0, int color1, int row, int column, const std::array<int, 12>& bits,
                bool exclusiveOr = false);
QByteArray SolidTile(int color, int row, int column);
// command 0 none, 1 right/down, 2 left/up.
QByteArray Scroll(bool preset, int color, int horizontalCommand, int horizontalOffset,
                  int verticalCommand, int verticalOffset);
QByteArray DefineTransparent(int color);
QByteArray LoadColors(bool high, const std::array<Rgb4, 8>& colors);

}  // namespace cdg

namespace midi {

QByteArray VariableLength(std::uint32_t value);

// Events are given with absolute ticks, in order.
class Track {
  public:
    Track& Meta(std::int64_t tick, int type, const QByteArray& data);
    Track& Text(std::int64_t tick, const QByteArray& text) { return Meta(tick, 0x01, text); }
    Track& Lyric(std::int64_t tick, const QByteArray& text) { return Meta(tick, 0x05, text); }
    Track& Tempo(std::int64_t tick, std::uint32_t microsPerQuarter);
    Track& Note(std::int64_t tick, int key, int duration);
    // A note-on then note-off written with running status (a velocity-0 note-on).
    Track& RunningStatusNote(std::int64_t tick, int key, int duration);
    Track& SysEx(std::int64_t tick, const QByteArray& body);
    QByteArray Chunk() const;  // with the end-of-track event

  private:
    void Delta(std::int64_t tick);
    QByteArray events;
    std::int64_t lastTick = 0;
};

QByteArray File(int format, std::uint16_t division, const std::vector<Track>& tracks);
QByteArray RiffWrapped(const QByteArray& smf);

}  // namespace midi

namespace zip {

struct Member {
    QString name;
    QByteArray data;
    bool deflate = false;
};

QByteArray Archive(const std::vector<Member>& members);
// The archive with the size its directory declares for the member-th member replaced.
QByteArray WithDeclaredSize(QByteArray archive, int member, quint32 size);

}  // namespace zip

// Writes bytes to a file, creating it; false on failure.
bool WriteFile(const QString& path, const QByteArray& bytes);

namespace song {

// A KAR song: 120 bpm, a piano note per syllable, the words "Sing a song / of the night",
// then a new paragraph "la la", with their times in seconds: Sing 1.0, a 1.5, song 2.0,
// of 2.5, the 3.0, night 3.5, la 4.0, la 4.5, the last note ending at 5.0 s.
QByteArray Kar();

// A CD+G song of the given length: the lines drawn in white on blue, each turning yellow
// from left to right while it is sung, one line after the other from the first second.
QByteArray CdgLyrics(const QStringList& lines, int seconds);

// LRC lyrics: a plain line at 0.5 s, then "Word by word" with word times 1.5, 2.0, 2.5 s.
QByteArray Lrc();

}  // namespace song
