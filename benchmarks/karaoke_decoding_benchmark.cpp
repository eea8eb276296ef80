// How fast the karaoke decoders run against the song's own clock.
//
// CD+G decoding is shown as a multiple of real time (a whole song decoded, as after a seek
// back, and a minute played frame by frame); lyrics drawing as the CPU one minute of the
// lyrics video costs, as a share of one core. Each figure is the best of a few runs.
#include <QGuiApplication>
#include <cstdint>
#include <cstdio>
#include <functional>

#include "figures.h"
#include "karaoke/cdg_player.h"
#include "karaoke/lyrics.h"
#include "karaoke/lyrics_renderer.h"

namespace {

constexpr int kSongSeconds = 240;
constexpr int kFramesPerSecond = 25;

QByteArray Packet(int instruction, std::uint32_t seed) {
    QByteArray packet(kCdgPacketSize, '\0');
    packet[0] = 0x09;
    packet[1] = static_cast<char>(instruction);
    for (int i = 4; i < 20; ++i) packet[i] = static_cast<char>((seed >> (i % 24)) & 0x3F);
    packet[6] = static_cast<char>(seed % 18);  // tile row
    packet[7] = static_cast<char>(seed % 50);  // tile column
    return packet;
}

// A song shaped like a karaoke disc: mostly tiles drawing text and empty packets, a colour
// change now and then, a page clear every few seconds and some scrolling.
QByteArray KaraokeLikeStream() {
    QByteArray stream;
    std::uint32_t seed = 12345;
    for (int i = 0; i < kSongSeconds * kCdgPacketsPerSecond; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const int roll = static_cast<int>(seed >> 24) % 100;
        int instruction = 0;
        if (i % 1500 == 0)
            instruction = 1;  // memory preset
        else if (i % 600 == 1)
            instruction = 30;  // colour table
        else if (roll < 50)
            instruction = 6;  // tile
        else if (roll < 60)
            instruction = 38;  // XOR tile
        else if (roll < 61)
            instruction = 24;  // scroll copy
        stream += instruction ? Packet(instruction, seed) : QByteArray(kCdgPacketSize, '\0');
    }
    return stream;
}

Lyrics SongLyrics() {
    Lyrics lyrics;
    const QStringList words = {"When ", "the ", "night ", "is ", "long ", "we ", "sing ", "along"};
    for (int line = 0; line < 60; ++line) {
        LyricLine lyricLine;
        lyricLine.startUs = line * 4'000'000LL;
        lyricLine.startsParagraph = line % 4 == 0;
        for (int w = 0; w < words.size(); ++w) {
            lyricLine.syllables.push_back({lyricLine.startUs + w * 450'000LL, words[w]});
        }
        lyrics.lines.push_back(std::move(lyricLine));
    }
    return lyrics;
}

double BestCpuSeconds(const std::function<void()>& work, int runs = 5) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const double start = CpuSeconds();
        work();
        best = std::min(best, CpuSeconds() - start);
    }
    return best;
}

void Report(const char* what, double mediaSeconds, double cpuSeconds) {
    std::printf("%-44s %8.1f ms CPU for %5.0f s   %10.0fx real time   %6.2f%% of a core\n", what,
                cpuSeconds * 1e3, mediaSeconds, mediaSeconds / cpuSeconds,
                100.0 * cpuSeconds / mediaSeconds);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);  // fonts for the lyrics

    std::printf("reference: real time = 1x, one core = 100%%\n");
    const QByteArray stream = KaraokeLikeStream();
    int sink = 0;
    Report("CD+G: decode a whole song (seek back)", kSongSeconds, BestCpuSeconds([&] {
               CdgPlayer player(stream);
               sink += player.ScreenAt(kSongSeconds * 1'000'000LL).Image().pixel(100, 100) & 1;
           }));

    constexpr int kSeconds = 60;
    QImage screen(kCdgWidth * 2, kCdgHeight * 2, QImage::Format_ARGB32);
    Report("CD+G: play a minute at 25 frames/s, 2x size", kSeconds, BestCpuSeconds([&] {
               CdgPlayer player(stream);
               for (int i = 0; i < kSeconds * kFramesPerSecond; ++i) {
                   player.ScreenAt(i * 1'000'000LL / kFramesPerSecond).RenderInto(screen, 2);
               }
           }));

    const Lyrics lyrics = SongLyrics();
    const LyricsRenderer renderer(lyrics);
    QImage frame(640, 360, QImage::Format_RGB32);
    Report("Lyrics: draw a minute at 25 frames/s, 640x360", kSeconds,
           BestCpuSeconds(
               [&] {
                   for (int i = 0; i < kSeconds * kFramesPerSecond; ++i) {
                       renderer.RenderInto(frame, 30'000'000LL + i * 40'000LL);
                   }
               },
               3));
    return sink == -1;
}
