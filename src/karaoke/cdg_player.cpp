#include "karaoke/cdg_player.h"

#include <algorithm>

CdgPlayer::CdgPlayer(QByteArray packets)
    : packets(std::move(packets)), packetCount(this->packets.size() / kCdgPacketSize) {}

std::int64_t CdgPlayer::DurationUs() const {
    return packetCount * 1'000'000 / kCdgPacketsPerSecond;
}

const CdgScreen& CdgPlayer::ScreenAt(std::int64_t timeUs) {
    const std::int64_t clamped = std::clamp<std::int64_t>(timeUs, -1, DurationUs());
    const std::int64_t started = clamped < 0 ? 0 : clamped * kCdgPacketsPerSecond / 1'000'000 + 1;
    const std::int64_t wanted = std::min(started, packetCount);
    if (wanted < applied) {
        screen.Reset();
        applied = 0;
    }
    for (; applied < wanted; ++applied) {
        screen.Apply(QByteArrayView(packets).sliced(applied * kCdgPacketSize, kCdgPacketSize));
    }
    return screen;
}
