#pragma once

#include <QByteArray>
#include <cstdint>

#include "karaoke/cdg_screen.h"

// A CD+G subcode stream played against the song's clock: 300 packets a second, so the
// screen at a time shows every packet that started at or before it.
class CdgPlayer {
  public:
    // The whole stream; a trailing partial packet is ignored.
    explicit CdgPlayer(QByteArray packets);

    // The screen at timeUs. Moving forward applies the packets in between; moving back
    // rebuilds the screen from the first packet, as the stream holds no key frames.
    const CdgScreen& ScreenAt(std::int64_t timeUs);

    std::int64_t PacketCount() const { return packetCount; }
    std::int64_t DurationUs() const;

  private:
    QByteArray packets;
    std::int64_t packetCount;
    std::int64_t applied = 0;
    CdgScreen screen;
};
