#include "karaoke/cdg_screen.h"

#include <algorithm>
#include <cstdlib>

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
    ++version;
}

void CdgScreen::Apply(QByteArrayView packet) {
    if (packet.size() < kCdgPacketSize) return;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(packet.data());
    if ((bytes[0] & kSubcodeMask) != kGraphicsCommand) return;
    const std::uint8_t* data = bytes + kDataOffset;
    ++version;
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

    // Rotating moves the picture and brings back what left it; a preset then paints over
    // the strips that came in.
    if (dy != 0) {
        const int shift = (dy > 0 ? kCdgHeight - dy : -dy) * kCdgWidth;
        std::rotate(pixels.begin(), pixels.begin() + shift, pixels.end());
    }
    if (dx != 0) {
        const int shift = dx > 0 ? kCdgWidth - dx : -dx;
        for (auto row = pixels.begin(); row != pixels.end(); row += kCdgWidth) {
            std::rotate(row, row + shift, row + kCdgWidth);
        }
    }
    if (!fill) return;
    if (dy != 0) {
        const int firstRow = dy > 0 ? 0 : kCdgHeight + dy;
        std::fill_n(pixels.begin() + firstRow * kCdgWidth, std::abs(dy) * kCdgWidth, fillColor);
    }
    if (dx != 0) {
        const int firstColumn = dx > 0 ? 0 : kCdgWidth + dx;
        for (auto row = pixels.begin(); row != pixels.end(); row += kCdgWidth) {
            std::fill_n(row + firstColumn, std::abs(dx), fillColor);
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

QImage CdgScreen::Image(int scale) const {
    QImage image(kCdgWidth * scale, kCdgHeight * scale, QImage::Format_ARGB32);
    RenderInto(image, scale);
    return image;
}

std::array<QRgb, 16> CdgScreen::ShownColors(const QImage& target) const {
    std::array<QRgb, 16> shown = colorTable;
    // An opaque image shows the transparent colour as the black it would be over nothing.
    if (transparentColor >= 0)
        shown[transparentColor] = target.hasAlphaChannel() ? qRgba(0, 0, 0, 0) : qRgb(0, 0, 0);
    return shown;
}

bool CdgScreen::LooksDifferentFrom(const CdgScreen& other) const {
    return colorTable != other.colorTable || borderColor != other.borderColor ||
           horizontalOffset != other.horizontalOffset || verticalOffset != other.verticalOffset ||
           transparentColor != other.transparentColor;
}

// The field's pixels seen on line y of the inner picture, from its left border on.
const std::uint8_t* CdgScreen::SeenLine(int y) const {
    return &pixels[(y + verticalOffset) * kCdgWidth + horizontalOffset];
}

void CdgScreen::RenderLine(QImage& target, int y, int scale,
                           const std::array<QRgb, 16>& shown) const {
    const QRgb border = shown[borderColor];
    const int width = kCdgWidth * scale;
    auto* line = reinterpret_cast<QRgb*>(target.scanLine(y * scale));
    if (y < kCdgTileHeight || y >= kCdgHeight - kCdgTileHeight) {
        std::fill_n(line, width, border);
    } else {
        const std::uint8_t* source = SeenLine(y);
        std::fill_n(line, kCdgTileWidth * scale, border);
        for (int x = kCdgTileWidth; x < kCdgWidth - kCdgTileWidth; ++x) {
            std::fill_n(line + x * scale, scale, shown[source[x]]);
        }
        std::fill_n(line + (kCdgWidth - kCdgTileWidth) * scale, kCdgTileWidth * scale, border);
    }
    for (int repeat = 1; repeat < scale; ++repeat) {
        std::copy_n(line, width, reinterpret_cast<QRgb*>(target.scanLine(y * scale + repeat)));
    }
}

void CdgScreen::RenderInto(QImage& target, int scale) const {
    const std::array<QRgb, 16> shown = ShownColors(target);
    for (int y = 0; y < kCdgHeight; ++y) RenderLine(target, y, scale, shown);
}

void CdgScreen::RenderChangesInto(QImage& target, int scale, const CdgScreen& shown) const {
    if (LooksDifferentFrom(shown)) {
        RenderInto(target, scale);
        return;
    }
    const std::array<QRgb, 16> colors = ShownColors(target);
    // The border lines show no pixels, and their colour is the same.
    for (int y = kCdgTileHeight; y < kCdgHeight - kCdgTileHeight; ++y) {
        if (!std::equal(SeenLine(y) + kCdgTileWidth, SeenLine(y) + kCdgWidth - kCdgTileWidth,
                        shown.SeenLine(y) + kCdgTileWidth))
            RenderLine(target, y, scale, colors);
    }
}
