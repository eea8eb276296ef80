#include <cstddef>
#include <cstdint>

#include "karaoke/lrc_reader.h"
#include "karaoke/lyric_layout.h"

// Reads the input as LRC lyrics and lays them out at a few times.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Lyrics lyrics =
        ReadLrc(QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    for (LyricTimeUs time :
         {LyricTimeUs{-1}, LyricTimeUs{0}, LyricTimeUs{61'000'000}, LyricTimeUs{1LL << 40}}) {
        LyricRowsAt(lyrics, time, 4);
    }
    return 0;
}
