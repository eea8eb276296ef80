#include <cstddef>
#include <cstdint>

#include "karaoke/cdg_player.h"

// Plays the input as a subcode stream forwards, past its end and back, then draws the
// screen (drawing is costly under the sanitizers and depends little on the input).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CdgPlayer player(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const std::int64_t end = player.DurationUs();
    player.ScreenAt(end / 2);
    player.ScreenAt(end + 1'000'000);
    player.ScreenAt(end / 3).Image(2);
    return 0;
}
