#pragma once

#include <QByteArrayView>
#include <QImage>
#include <array>
#include <cstdint>

inline constexpr int kCdgWidth = 300;
inline constexpr int kCdgHeight = 216;
inline constexpr int kCdgTileWidth = 6;
inline constexpr int kCdgTileHeight = 12;
inline constexpr int kCdgPacketSize = 24;
inline constexpr int kCdgPacketsPerSecond = 300;

// The display of a CD+G player: a 300x216 field of 4-bit colour indices with a 16-entry
// colour table, a solid border around the central 288x192 area, and fine scroll offsets.
// It changes only through subcode packets, so any screen can be rebuilt by replaying
// the packets from the start.
class CdgScreen {
  public:
    CdgScreen() { Reset(); }

    // Back to the power-on state: index 0 everywhere and an all-black colour table.
    void Reset();
    // Executes one 24-byte subcode packet; packets that are not CD+G graphics are ignored.
    void Apply(QByteArrayView packet);

    // The screen as seen: the border in its colour, the rest through the fine offsets,
    // pixels of the transparent colour (if one is defined) as transparent black. Each CD+G
    // pixel becomes a scale x scale block, so enlarged screens stay crisp.
    QImage Image(int scale = 1) const;
    // The same into an ARGB32 or RGB32 image of (300*scale)x(216*scale) pixels; in RGB32 the
    // transparent colour is plain black.
    void RenderInto(QImage& target, int scale) const;
    // The same into a target that holds `shown` as RenderInto drew it: only the lines where
    // this screen looks different are drawn again.
    void RenderChangesInto(QImage& target, int scale, const CdgScreen& shown) const;
    // Grows with every packet that may have changed what is seen, and with every reset.
    std::uint64_t Version() const { return version; }

  private:
    void MemoryPreset(const std::uint8_t* data);
    void BorderPreset(const std::uint8_t* data);
    void TileBlock(const std::uint8_t* data, bool exclusiveOr);
    void Scroll(const std::uint8_t* data, bool fill);
    void LoadColorTable(const std::uint8_t* data, int firstEntry);
    std::array<QRgb, 16> ShownColors(const QImage& target) const;
    // Whether the same indices would look different, or the inner picture moved.
    bool LooksDifferentFrom(const CdgScreen& other) const;
    const std::uint8_t* SeenLine(int y) const;
    void RenderLine(QImage& target, int y, int scale, const std::array<QRgb, 16>& shown) const;

    std::array<std::uint8_t, kCdgWidth * kCdgHeight> pixels{};
    std::array<QRgb, 16> colorTable{};
    int borderColor = 0;
    int horizontalOffset = 0;
    int verticalOffset = 0;
    int transparentColor = -1;
    std::uint64_t version = 0;
};
