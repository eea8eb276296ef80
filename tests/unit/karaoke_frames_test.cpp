#include <gtest/gtest.h>

#include "karaoke/karaoke_frames.h"
#include "support/karaoke_files.h"

namespace {

// A picture is sent again as it is only while nothing in it has changed, and after a seek
// back only once it has been drawn anew.
TEST(KaraokeFramesTest, OnlyAPictureThatStaysCountsAsUnchanged) {
    QByteArray stream = cdg::MemoryPreset(3);
    while (stream.size() < 300 * kCdgPacketSize) stream += cdg::NotGraphics();
    stream += cdg::SolidTile(5, 3, 3);  // at 1 s
    const std::unique_ptr<KaraokeFrames> graphics = MakeCdgFrames(stream);
    QImage image(graphics->Size(), QImage::Format_RGB32);
    EXPECT_FALSE(graphics->Unchanged(0)) << "nothing drawn yet";
    graphics->Draw(image, 100'000);
    EXPECT_TRUE(graphics->Unchanged(900'000));
    EXPECT_FALSE(graphics->Unchanged(1'000'000));
    graphics->Draw(image, 1'000'000);
    EXPECT_FALSE(graphics->Unchanged(100'000));

    Lyrics lyrics;
    for (LyricTimeUs start : {1'000'000, 2'000'000}) {
        LyricLine line;
        line.startUs = start;
        line.syllables = {{start, QStringLiteral("line")}};
        line.wordTimed = false;
        lyrics.lines.push_back(line);
    }
    const std::unique_ptr<KaraokeFrames> words = MakeLyricFrames(lyrics);
    words->Draw(image, 1'500'000);
    EXPECT_TRUE(words->Unchanged(1'900'000));
    EXPECT_FALSE(words->Unchanged(2'000'000));
}

// Drawing only the changes over the last picture ends at the picture drawn whole, through
// tiles, colours, a scroll with fine offsets and a seek back.
TEST(KaraokeFramesTest, DrawingOverTheLastPictureMatchesDrawingItWhole) {
    const QByteArray stream =
        cdg::LoadColors(false, {{{1, 2, 3}, {15, 0, 0}, {0, 15, 0}, {0, 0, 15}, {9, 9, 9}}}) +
        cdg::MemoryPreset(1) + cdg::SolidTile(2, 3, 4) +
        cdg::Tile(3, 4, 5, 6, {1, 2, 4, 8, 16, 32, 63, 0, 5, 10, 20, 40}, true) +
        cdg::SolidTile(4, 16, 48) + cdg::Scroll(true, 3, 1, 2, 2, 5) + cdg::SolidTile(2, 1, 1) +
        cdg::DefineTransparent(4) + cdg::SolidTile(0, 5, 6);
    const int packets = stream.size() / kCdgPacketSize;
    const std::unique_ptr<KaraokeFrames> over = MakeCdgFrames(stream);
    QImage drawnOver(over->Size(), QImage::Format_RGB32);
    // Packet i takes effect at i/300 s.
    for (int packet : {0, 1, 2, 3, 4, 5, 6, 7, 8, 2, 8}) {
        const std::int64_t timeUs = packet * 3334;
        over->DrawOver(drawnOver, timeUs);
        const std::unique_ptr<KaraokeFrames> whole = MakeCdgFrames(stream);
        QImage drawnWhole(whole->Size(), QImage::Format_RGB32);
        whole->Draw(drawnWhole, timeUs);
        ASSERT_EQ(drawnOver, drawnWhole) << "at packet " << packet << " of " << packets;
    }
}

// The video carries opaque pixels: the transparent colour shows as black there.
TEST(KaraokeFramesTest, OpaqueCdgPictureShowsTheTransparentColourBlack) {
    const std::unique_ptr<KaraokeFrames> graphics =
        MakeCdgFrames(cdg::MemoryPreset(3) + cdg::SolidTile(5, 3, 3) + cdg::DefineTransparent(3));
    QImage image(graphics->Size(), QImage::Format_RGB32);
    graphics->Draw(image, 1'000'000);
    EXPECT_EQ(image.pixel(200, 200), qRgb(0, 0, 0));
}

}  // namespace
