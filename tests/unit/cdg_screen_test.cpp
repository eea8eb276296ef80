#include <gtest/gtest.h>

#include "karaoke/cdg_player.h"
#include "karaoke/cdg_screen.h"
#include "support/karaoke_files.h"

namespace {

// Colour i of the test table has red i, green 15 - i and blue i / 2 (4-bit values).
QRgb TableColor(int i) {
    return qRgb(i * 17, (15 - i) * 17, (i / 2) * 17);
}

QByteArray TestColorTable() {
    std::array<cdg::Rgb4, 8> low, high;
    for (int i = 0; i < 8; ++i) {
        low[i] = {i, 15 - i, i / 2};
        high[i] = {i + 8, 7 - i, (i + 8) / 2};
    }
    return cdg::LoadColors(false, low) + cdg::LoadColors(true, high);
}

class CdgScreenTest : public testing::Test {
  protected:
    void Play(const QByteArray& packets) {
        for (qsizetype at = 0; at + kCdgPacketSize <= packets.size(); at += kCdgPacketSize) {
            screen.Apply(QByteArrayView(packets).sliced(at, kCdgPacketSize));
        }
        image = screen.Image();
    }
    QRgb At(int x, int y) const { return image.pixel(x, y); }

    CdgScreen screen;
    QImage image;
};

TEST_F(CdgScreenTest, PresetsFillScreenAndBorderWithTableColours) {
    Play(TestColorTable() + cdg::MemoryPreset(3) + cdg::BorderPreset(12));
    ASSERT_EQ(image.size(), QSize(300, 216));
    for (auto [x, y] : {std::pair{0, 0}, {5, 100}, {150, 11}, {294, 100}, {150, 204}, {299, 215}}) {
        EXPECT_EQ(At(x, y), TableColor(12)) << x << "," << y;
    }
    for (auto [x, y] : {std::pair{6, 12}, {293, 12}, {6, 203}, {293, 203}, {150, 100}}) {
        EXPECT_EQ(At(x, y), TableColor(3)) << x << "," << y;
    }
    // Every colour entry arrives, the high ones through their own instruction.
    Play(cdg::MemoryPreset(15));
    EXPECT_EQ(At(150, 100), TableColor(15));
    EXPECT_EQ(qAlpha(At(150, 100)), 255);
}

TEST_F(CdgScreenTest, TileBitsMapLeftmostPixelToHighestBit) {
    std::array<int, 12> bits{};
    bits[0] = 0x20;   // leftmost pixel of the first line
    bits[11] = 0x01;  // rightmost pixel of the last line
    Play(TestColorTable() + cdg::MemoryPreset(0) + cdg::Tile(4, 9, 2, 3, bits));
    const int left = 3 * 6, top = 2 * 12;
    EXPECT_EQ(At(left, top), TableColor(9));
    EXPECT_EQ(At(left + 1, top), TableColor(4));
    EXPECT_EQ(At(left + 5, top + 11), TableColor(9));
    EXPECT_EQ(At(left + 4, top + 11), TableColor(4));
    EXPECT_EQ(At(left - 1, top), TableColor(0)) << "nothing drawn outside the tile";
    EXPECT_EQ(At(left + 6, top), TableColor(0));
}

TEST_F(CdgScreenTest, XorTileCombinesColourIndices) {
    std::array<int, 12> left{};
    left.fill(0x38);  // three pixels of colour 1 then three of colour 0
    Play(TestColorTable() + cdg::MemoryPreset(6) + cdg::Tile(0, 1, 5, 5, left) +
         cdg::Tile(2, 3, 5, 5, left, true));
    // Normal tile: 1 and 0; XOR with 3 and 2 gives 1^3 = 2 and 0^2 = 2.
    EXPECT_EQ(At(30, 60), TableColor(2));
    EXPECT_EQ(At(35, 60), TableColor(2));
    Play(cdg::Tile(5, 4, 5, 5, left, true));  // 2^4 = 6 and 2^5 = 7
    EXPECT_EQ(At(30, 60), TableColor(6));
    EXPECT_EQ(At(35, 60), TableColor(7));
    EXPECT_EQ(At(36, 60), TableColor(6)) << "the neighbour keeps the preset colour";
}

TEST_F(CdgScreenTest, ScrollPresetMovesByOneTileAndFillsUncoveredStrip) {
    // The strip uncovered by a scroll lies in the border; a second scroll brings it in.
    Play(TestColorTable() + cdg::MemoryPreset(1) + cdg::SolidTile(8, 5, 10));
    Play(cdg::Scroll(true, 4, 0, 0, 2, 0) + cdg::Scroll(true, 4, 0, 0, 2, 0));  // up, 12 each
    EXPECT_EQ(At(60, 36), TableColor(8)) << "the tile moved from row 5 to row 3";
    EXPECT_EQ(At(60, 48), TableColor(1));
    EXPECT_EQ(At(100, 203), TableColor(4));
    EXPECT_EQ(At(100, 191), TableColor(1));

    Play(cdg::Scroll(true, 7, 1, 0, 0, 0) + cdg::Scroll(true, 7, 1, 0, 0, 0));  // right, 6 each
    EXPECT_EQ(At(72, 36), TableColor(8));
    EXPECT_EQ(At(71, 36), TableColor(1));
    EXPECT_EQ(At(6, 100), TableColor(7));
    EXPECT_EQ(At(12, 100), TableColor(1));

    Play(cdg::Scroll(true, 9, 0, 0, 1, 0));  // down
    EXPECT_EQ(At(72, 48), TableColor(8));
    EXPECT_EQ(At(72, 36), TableColor(1));
    Play(cdg::Scroll(true, 11, 2, 0, 0, 0));  // left
    EXPECT_EQ(At(66, 48), TableColor(8));
    EXPECT_EQ(At(72, 48), TableColor(1));
}

TEST_F(CdgScreenTest, ScrollCopyWrapsAroundTheWholeField) {
    Play(TestColorTable() + cdg::MemoryPreset(1) + cdg::SolidTile(8, 1, 1));
    for (int i = 0; i < 3; ++i) Play(cdg::Scroll(false, 4, 0, 0, 2, 0));
    // Row 1 -> 0 -> 17 -> 16: out through the top border and in again from below.
    EXPECT_EQ(At(6, 192), TableColor(8));
    EXPECT_EQ(At(6, 12), TableColor(1));
    for (int i = 0; i < 3; ++i) Play(cdg::Scroll(false, 4, 2, 0, 0, 0));
    // Column 1 -> 0 -> 49 -> 48.
    EXPECT_EQ(At(288, 192), TableColor(8));
    EXPECT_EQ(At(6, 192), TableColor(1));
    EXPECT_EQ(At(293, 203), TableColor(8));
}

TEST_F(CdgScreenTest, FineOffsetsShiftTheInnerPictureButNotTheBorder) {
    Play(TestColorTable() + cdg::MemoryPreset(1) + cdg::BorderPreset(2) + cdg::SolidTile(8, 2, 2));
    Play(cdg::Scroll(false, 0, 0, 2, 0, 3));
    // The tile at x 12..17, y 24..35 shows 2 pixels left and 3 up.
    EXPECT_EQ(At(10, 21), TableColor(8));
    EXPECT_EQ(At(15, 32), TableColor(8));
    EXPECT_EQ(At(16, 32), TableColor(1));
    EXPECT_EQ(At(10, 33), TableColor(1));
    EXPECT_EQ(At(5, 21), TableColor(2));
    EXPECT_EQ(At(150, 11), TableColor(2));
    // Offsets beyond a tile are limited to 5 and 11.
    Play(cdg::Scroll(false, 0, 0, 7, 0, 15));
    EXPECT_EQ(At(7, 13), TableColor(8));
    EXPECT_EQ(At(12, 24), TableColor(8));
    EXPECT_EQ(At(13, 24), TableColor(1));
}

TEST_F(CdgScreenTest, TransparentColourBecomesTransparentBlack) {
    Play(TestColorTable() + cdg::MemoryPreset(3) + cdg::SolidTile(5, 3, 3) +
         cdg::DefineTransparent(3));
    EXPECT_EQ(At(100, 100), qRgba(0, 0, 0, 0));
    EXPECT_EQ(At(0, 0), qRgba(0, 0, 0, 0)) << "the border has the transparent colour too";
    EXPECT_EQ(At(18, 36), TableColor(5));
    EXPECT_EQ(qAlpha(At(18, 36)), 255);
}

TEST_F(CdgScreenTest, IgnoresForeignPacketsAndOutOfRangeTiles) {
    Play(TestColorTable() + cdg::MemoryPreset(3));
    const QImage before = image;
    QByteArray withChannelBits = cdg::MemoryPreset(6);
    withChannelBits[0] = static_cast<char>(0xC9);  // P and Q bits do not matter
    Play(cdg::NotGraphics() + cdg::SolidTile(5, 18, 0) + cdg::SolidTile(5, 0, 50) +
         cdg::Packet(63, {1, 2, 3}));
    EXPECT_EQ(image, before);
    Play(withChannelBits);
    EXPECT_EQ(At(100, 100), TableColor(6));
}

QByteArray SecondsOf(const QByteArray& packet, int seconds) {
    QByteArray stream;
    for (int i = 0; i < seconds * kCdgPacketsPerSecond; ++i) stream += packet;
    return stream;
}

TEST(CdgPlayerTest, PacketsTakeEffectAtThreeHundredPerSecond) {
    // Packet 0: colours; packets 1..299 nothing; packet 300 (t = 1 s): preset to colour 5.
    QByteArray stream =
        TestColorTable().first(24) + SecondsOf(cdg::NotGraphics(), 1).first(299 * 24);
    stream += cdg::MemoryPreset(5);
    CdgPlayer player(stream);
    EXPECT_EQ(player.PacketCount(), 301);
    EXPECT_EQ(player.ScreenAt(996'000).Image().pixel(100, 100), TableColor(0));
    EXPECT_EQ(player.ScreenAt(1'000'000).Image().pixel(100, 100), TableColor(5));
}

TEST(CdgPlayerTest, SeekingBackRebuildsTheSameScreenAsPlayingStraight) {
    // Ten seconds: a tile each second, scrolled by XOR and copy scrolls in between.
    QByteArray stream = TestColorTable();
    for (int second = 0; second < 10; ++second) {
        QByteArray block =
            cdg::SolidTile(second % 15 + 1, 2 + second, 3 + second) +
            cdg::Tile(1, 6, 4, 10,
                      {0x15, 0x2A, 0x15, 0x2A, 0x15, 0x2A, 0x15, 0x2A, 0x15, 0x2A, 0x15, 0x2A},
                      true) +
            cdg::Scroll(false, 0, 2, second % 6, 0, second % 12);
        block += SecondsOf(cdg::NotGraphics(), 1).first(300 * 24 - block.size());
        stream += block;
    }
    CdgPlayer straight(stream);
    const QImage expected = straight.ScreenAt(5'500'000).Image();

    CdgPlayer seeking(stream);
    const QImage later = seeking.ScreenAt(9'000'000).Image();
    ASSERT_NE(later, expected);
    EXPECT_EQ(seeking.ScreenAt(5'500'000).Image(), expected);
    EXPECT_EQ(seeking.ScreenAt(9'000'000).Image(), later);
}

TEST(CdgPlayerTest, TruncatedStreamPlaysItsWholePackets) {
    QByteArray stream = TestColorTable() + cdg::MemoryPreset(4);
    stream += cdg::MemoryPreset(9).first(13);
    CdgPlayer player(stream);
    EXPECT_EQ(player.PacketCount(), 3);
    EXPECT_EQ(player.DurationUs(), 10'000);
    EXPECT_EQ(player.ScreenAt(3'600'000'000LL).Image().pixel(100, 100), TableColor(4));
    EXPECT_EQ(player.ScreenAt(-5).Image().pixel(100, 100), qRgb(0, 0, 0)) << "back to power-on";
    EXPECT_EQ(CdgPlayer(QByteArray()).ScreenAt(1'000'000).Image().pixel(0, 0), qRgb(0, 0, 0));
}

}  // namespace
