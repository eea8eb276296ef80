#include <cstddef>
#include <cstdint>

#include "karaoke/lyric_layout.h"
#include "karaoke/midi_lyrics_reader.h"

// Reads the input as a MIDI or KAR file and lays its lyrics out at a few times.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Lyrics lyrics = ReadMidiLyrics(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    for (LyricTimeUs time :
         {LyricTimeUs{-1}, LyricTimeUs{0}, LyricTimeUs{1'500'000}, LyricTimeUs{1LL << 40}}) {
        LyricRowsAt(lyrics, time, 4);
    }
    return 0;
}
