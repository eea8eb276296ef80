#include "karaoke/midi_file.h"

#include <algorithm>

#include "karaoke/byte_reader.h"

namespace {

constexpr std::uint8_t kMetaEvent = 0xFF;
constexpr std::uint8_t kEndOfTrack = 0x2F;
constexpr std::uint8_t kSetTempo = 0x51;
constexpr int kMaxTracks = 65535;
// Beyond this a song would last for centuries; clamping keeps the arithmetic finite.
constexpr double kMaxMicros = 1e13;

// The data bytes that follow a channel status byte.
int ChannelDataLength(std::uint8_t status) {
    const std::uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

void ParseTrack(QByteArrayView body, int track, MidiFile& file) {
    ByteReader reader(body);
    std::int64_t tick = 0;
    std::uint8_t runningStatus = 0;
    while (!reader.AtEnd()) {
        const auto delta = reader.VariableLength();
        const auto first = reader.U8();
        if (!delta || !first) return;
        tick += *delta;
        std::uint8_t status = *first;
        if (status < 0x80) {
            // Running status: this byte is already the first data byte.
            if (runningStatus == 0 || !reader.Skip(ChannelDataLength(runningStatus) - 1)) return;
        } else if (status < 0xF0) {
            runningStatus = status;
            if (!reader.Skip(ChannelDataLength(status))) return;
        } else if (status == 0xF0 || status == 0xF7) {
            runningStatus = 0;
            const auto length = reader.VariableLength();
            if (!length || !reader.Skip(*length)) return;
        } else if (status == kMetaEvent) {
            runningStatus = 0;
            const auto type = reader.U8();
            const auto length = reader.VariableLength();
            if (!type || !length) return;
            const auto data = reader.Bytes(*length);
            if (!data) return;
            if (*type == kEndOfTrack) return;
            if (*type == kSetTempo && data->size() >= 3) {
                const auto d = [&](int i) {
                    return static_cast<std::uint32_t>(static_cast<std::uint8_t>((*data)[i]));
                };
                const std::uint32_t tempo = d(0) << 16 | d(1) << 8 | d(2);
                if (tempo > 0) file.tempoChanges.push_back({tick, tempo});
            } else if (*type == kMidiText || *type == kMidiLyric) {
                file.textEvents.push_back({tick, track, *type, data->toByteArray()});
            }
        } else {
            return;  // system messages have no place in a file
        }
    }
}

// The SMF inside a RIFF "RMID" container, or the data itself.
QByteArrayView UnwrapRiff(QByteArrayView bytes) {
    if (!bytes.startsWith("RIFF") || bytes.size() < 12 || bytes.sliced(8, 4) != "RMID")
        return bytes;
    ByteReader reader(bytes.sliced(12));
    while (reader.Remaining() >= 8) {
        const auto id = reader.Bytes(4);
        const auto size = reader.U32LittleEndian();
        const std::uint64_t available = std::min<std::uint64_t>(*size, reader.Remaining());
        const auto body = reader.Bytes(available);
        if (*id == "data") return *body;
        if (*size % 2 == 1) reader.Skip(1);
    }
    return {};
}

}  // namespace

std::optional<MidiFile> ParseMidiFile(QByteArrayView bytes) {
    ByteReader reader(UnwrapRiff(bytes));
    const auto magic = reader.Bytes(4);
    const auto headerLength = reader.U32BigEndian();
    if (!magic || *magic != "MThd" || !headerLength || *headerLength < 6) return std::nullopt;
    const auto header = reader.Bytes(*headerLength);
    if (!header) return std::nullopt;
    ByteReader headerReader(*header);
    headerReader.U16BigEndian();  // the format changes nothing for lyrics
    headerReader.U16BigEndian();  // the track count is taken from the chunks present
    MidiFile file;
    file.division = *headerReader.U16BigEndian();
    const bool smpte = file.division & 0x8000;
    if (file.division == 0 || (smpte && (file.division & 0xFF) == 0)) return std::nullopt;

    while (reader.Remaining() >= 8 && file.trackCount < kMaxTracks) {
        const auto id = reader.Bytes(4);
        const auto length = reader.U32BigEndian();
        const auto body = reader.Bytes(std::min<std::uint64_t>(*length, reader.Remaining()));
        if (*id == "MTrk") ParseTrack(*body, file.trackCount++, file);
    }
    std::stable_sort(
        file.tempoChanges.begin(), file.tempoChanges.end(),
        [](const MidiTempoChange& a, const MidiTempoChange& b) { return a.tick < b.tick; });
    return file;
}

MidiClock::MidiClock(const MidiFile& file) {
    if (file.division & 0x8000) {
        // SMPTE: frames per second (29 stands for 29.97) times ticks per frame.
        const int framesPerSecond = -static_cast<std::int8_t>(file.division >> 8);
        const double fps = framesPerSecond == 29 ? 29.97 : std::max(1, framesPerSecond);
        segments.push_back({0, 0.0, 1e6 / (fps * (file.division & 0xFF))});
        return;
    }
    const double ticksPerQuarter = file.division;
    segments.push_back({0, 0.0, 500000 / ticksPerQuarter});
    for (const MidiTempoChange& change : file.tempoChanges) {
        Segment& last = segments.back();
        const double micros = last.micros + (change.tick - last.tick) * last.microsPerTick;
        const double perTick = change.microsPerQuarter / ticksPerQuarter;
        if (change.tick == last.tick) {
            last.microsPerTick = perTick;
        } else {
            segments.push_back({change.tick, micros, perTick});
        }
    }
}

std::int64_t MidiClock::MicrosAt(std::int64_t tick) const {
    auto after = std::upper_bound(segments.begin(), segments.end(), tick,
                                  [](std::int64_t t, const Segment& s) { return t < s.tick; });
    const Segment& segment = after == segments.begin() ? segments.front() : *std::prev(after);
    const double micros = segment.micros + (tick - segment.tick) * segment.microsPerTick;
    return static_cast<std::int64_t>(std::clamp(micros, 0.0, kMaxMicros));
}
