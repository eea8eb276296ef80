#include "karaoke/cdg_screen.h"

#include <algorithm>

namespace {

constexpr std::uint8_t kGraphicsCommand = 0x09;
constexpr std::uint8_t kSubcodeMask = 0x3F;
constexpr int kDataOffset = 4;
constexpr int kTileColumns = kCdgWidth / kCdgTileWidth;
constexpr int kTileRows = kCdgHeight / kCdgTileHeight;

enum Instruction : std::uint8_t {
    kMemoryPreset = 1,
    kBorderPreset = 2,
    kTileBlockNormal = 6,
    kScrollPreset = 20,
    kScrollCopy = 24,
    kDefineTransparent = 28,
    kLoadColorsLow = 30,
    kLoadColorsHigh = 31,
    kTileBlockXor = 38,
};

bool InBorder(int x, int y) {
    return x < kCdgTileWidth || x >= kCdgWidth - kCdgTileWidth || y < kCdgTileHeight ||
           y >= kCdgHeight - kCdgTileHeight;
}

// Scroll instruction: 1 moves the picture right (down), 2 left (up), by one tile.
int ScrollStep(std::uint8_t field, int tileSize) {
    switch ((field & 0x30) >> 4) {
        case 1:
            return tileSize;
        case 2:
            return -tileSize;
        default:
            return 0;
    }
}

}  // namespace

void CdgScreen::Reset() {
    pixels.fill(0);
    colorTable.fill(qRgb(0, 0, 0));
    borderColor = 0;
    horizontalOffset = 0;
    verticalOffset = 0;
    transparentColor = -1;
}

void CdgScreen::Apply(QByteArrayView packet) {
    if (packet.size() < kCdgPacketSize) return;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(packet.data());
    if ((bytes[0] & kSubcodeMask) != kGraphicsCommand) return;
    const std::uint8_t* data = bytes + kDataOffset;
    switch (bytes[1] & kSubcodeMask) {
        case kMemoryPreset:
            MemoryPreset(data);
            break;
        case kBorderPreset:
            BorderPreset(data);
            break;
        case kTileBlockNormal:
            TileBlock(data, false);
            break;
        case kTileBlockXor:
            TileBlock(data, true);
            break;
        case kScrollPreset:
            Scroll(data, true);
            break;
        case kScrollCopy:
            Scroll(data, false);
            break;
        case kDefineTransparent:
            transparentColor = data[0] & 0x0F;
            break;
        case kLoadColorsLow:
            LoadColorTable(data, 0);
            break;
        case kLoadColorsHigh:
            LoadColorTable(data, 8);
            break;
        default:
            break;
    }
}

void CdgScreen::MemoryPreset(const std::uint8_t* data) {
    // Repeated presets are redundancy against read errors; doing them again is harmless.
    const int color = data[0] & 0x0F;
    pixels.fill(static_cast<std::uint8_t>(color));
    borderColor = color;
}

void CdgScreen::BorderPreset(const std::uint8_t* data) {
    borderColor = data[0] & 0x0F;
    for (int y = 0; y < kCdgHeight; ++y) {
        for (int x = 0; x < kCdgWidth; ++x) {
            if (InBorder(x, y)) pixels[y * kCdgWidth + x] = static_cast<std::uint8_t>(borderColor);
        }
    }
}

void CdgScreen::TileBlock(const std::uint8_t* data, bool exclusiveOr) {
    const std::uint8_t colors[2] = {static_cast<std::uint8_t>(data[0] & 0x0F),
                                    static_cast<std::uint8_t>(data[1] & 0x0F)};
    const int row = data[2] & 0x1F;
    const int column = data[3] & 0x3F;
    if (row >= kTileRows || column >= kTileColumns) return;
    for (int line = 0; line < kCdgTileHeight; ++line) {
        const std::uint8_t bits = data[4 + line] & 0x3F;
        std::uint8_t* target =
            &pixels[(row * kCdgTileHeight + line) * kCdgWidth + column * kCdgTileWidth];
        for (int x = 0; x < kCdgTileWidth; ++x) {
            const std::uint8_t color = colors[(bits >> (kCdgTileWidth - 1 - x)) & 1];
            target[x] = exclusiveOr ? static_cast<std::uint8_t>(target[x] ^ color) : color;
        }
    }
}

void CdgScreen::Scroll(const std::uint8_t* data, bool fill) {
    const auto fillColor = static_cast<std::uint8_t>(data[0] & 0x0F);
    const std::uint8_t horizontal = data[1] & 0x3F;
    const std::uint8_t vertical = data[2] & 0x3F;
    horizontalOffset = std::min(horizontal & 0x07, kCdgTileWidth - 1);
    verticalOffset = std::min(vertical & 0x0F, kCdgTileHeight - 1);
    const int dx = ScrollStep(horizontal, kCdgTileWidth);
    const int dy = ScrollStep(vertical, kCdgTileHeight);
    if (dx == 0 && dy == 0) return;

    const auto before = pixels;
    for (int y = 0; y < kCdgHeight; ++y) {
        const int fromY = y - dy;
        for (int x = 0; x < kCdgWidth; ++x) {
            const int fromX = x - dx;
            const bool uncovered =
                fromX < 0 || fromX >= kCdgWidth || fromY < 0 || fromY >= kCdgHeight;
            std::uint8_t& pixel = pixels[y * kCdgWidth + x];
            if (uncovered && fill) {
                pixel = fillColor;
            } else {
                const int wrappedX = (fromX + kCdgWidth) % kCdgWidth;
                const int wrappedY = (fromY + kCdgHeight) % kCdgHeight;
                pixel = before[wrappedY * kCdgWidth + wrappedX];
            }
        }
    }
}

void CdgScreen::LoadColorTable(const std::uint8_t* data, int firstEntry) {
    // Each entry is two 6-bit bytes: --RRRRGG and --GGBBBB.
    for (int i = 0; i < 8; ++i) {
        const int high = data[2 * i] & 0x3F;
        const int low = data[2 * i + 1] & 0x3F;
        const int red = high >> 2;
        const int green = ((high & 0x03) << 2) | (low >> 4);
        const int blue = low & 0x0F;
        colorTable[firstEntry + i] = qRgb(red * 17, green * 17, blue * 17);
    }
}

QRgb CdgScreen::ShownColor(int x, int y) const {
    const int index = InBorder(x, y)
                          ? borderColor
                          : pixels[(y + verticalOffset) * kCdgWidth + x + horizontalOffset];
    return index == transparentColor ? qRgba(0, 0, 0, 0) : colorTable[index];
}

QImage CdgScreen::Image(int scale) const {
    QImage image(kCdgWidth * scale, kCdgHeight * scale, QImage::Format_ARGB32);
    RenderInto(image, scale);
    return image;
}

void CdgScreen::RenderInto(QImage& target, int scale) const {
    for (int y = 0; y < kCdgHeight; ++y) {
        for (int repeat = 0; repeat < scale; ++repeat) {
            auto* line = reinterpret_cast<QRgb*>(target.scanLine(y * scale + repeat));
            for (int x = 0; x < kCdgWidth; ++x) {
                std::fill_n(line + x * scale, scale, ShownColor(x, y));
            }
        }
    }
}
