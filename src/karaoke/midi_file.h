#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <optional>
#include <vector>

// The parts of a Standard MIDI File that lyrics need: its text and lyric meta events and
// its tempo map. Notes are the synthesiser's business and are skipped.
struct MidiTextEvent {
    std::int64_t tick = 0;
    int track = 0;
    std::uint8_t type = 0;  // kMidiText or kMidiLyric
    QByteArray text;
};

inline constexpr std::uint8_t kMidiText = 0x01;
inline constexpr std::uint8_t kMidiLyric = 0x05;

struct MidiTempoChange {
    std::int64_t tick = 0;
    std::uint32_t microsPerQuarter = 500000;
};

struct MidiFile {
    std::uint16_t division = 0;
    int trackCount = 0;
    // In track order, and in time order within each track.
    std::vector<MidiTextEvent> textEvents;
    std::vector<MidiTempoChange> tempoChanges;
};

// Parses a MIDI file, also one wrapped in a RIFF "RMID" container. A chunk or event that
// runs past the end of the data ends its track; what came before it is kept. Nothing when
// the data is no MIDI file or its time division is unusable.
std::optional<MidiFile> ParseMidiFile(QByteArrayView bytes);

// Converts ticks to microseconds through the tempo map, or through the fixed frame rate of
// an SMPTE division.
class MidiClock {
  public:
    explicit MidiClock(const MidiFile& file);
    std::int64_t MicrosAt(std::int64_t tick) const;

  private:
    struct Segment {
        std::int64_t tick;
        double micros;
        double microsPerTick;
    };
    std::vector<Segment> segments;
};
