// Opens and closes a generated video and an MP3+G zip song 200 times each in the main
// window on GStreamer's graphs, and prints the open files and resident memory after the
// first cycle and every 50 after it: what every Open and Close leaves behind shows as
// growth that goes on. Run it through scripts/benchmark, which provides the display and
// the sound server.

#include <QApplication>
#include <cstdio>

#include "support/main_dialog_fixture.h"
#include "support/open_close_cycles.h"

namespace {

constexpr int kCycles = 200;
constexpr int kReportEvery = 50;

void Print(int cycle, int files, long kilobytes) {
    std::printf("after %3d cycles   open files %4d   RSS %6.1f MB\n", cycle, files,
                kilobytes / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    CycleSongs songs;
    if (!songs.ready()) {
        std::fprintf(stderr, "could not make the songs\n");
        return 1;
    }
    MainDialogFixture window{{.realPlayback = true}};
    window.StartAndForget();
    std::printf("Open and Close of a video and a zip song, %d times each:\n", kCycles);
    for (int cycle = 1; cycle <= kCycles; ++cycle) {
        if (!OpenAndClose(window, songs.video()) || !OpenAndClose(window, songs.zipSong())) {
            std::fprintf(stderr, "cycle %d failed to open\n", cycle);
            return 1;
        }
        if (cycle == 1 || cycle % kReportEvery == 0)
            Print(cycle, OpenFileCount(), ResidentKilobytes());
    }
    std::printf(
        "reference: the open files equal after every cycle; RSS grows only while glibc gives\n"
        "the streaming threads their malloc arenas (flat with MALLOC_ARENA_MAX=1)\n");
    return 0;
}
