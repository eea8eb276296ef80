#include <gtest/gtest.h>

#include "support/main_dialog_fixture.h"
#include "support/open_close_cycles.h"

namespace {

TEST(OpenCloseResources, TwentyOpensOfAVideoAndAZipSongKeepTheOpenFilesFlat) {
    CycleSongs songs;
    ASSERT_TRUE(songs.ready());
    MainDialogFixture window{{.realPlayback = true}};
    window.StartAndForget();
    // The first of each loads what stays for the whole run: plugins, the sound server's
    // connection, the song folder.
    ASSERT_TRUE(OpenAndClose(window, songs.video()));
    ASSERT_TRUE(OpenAndClose(window, songs.zipSong()));
    const int before = OpenFileCount();
    for (int cycle = 0; cycle < 20; ++cycle) {
        ASSERT_TRUE(OpenAndClose(window, songs.video())) << cycle;
        ASSERT_TRUE(OpenAndClose(window, songs.zipSong())) << cycle;
    }
    // A leak of one file per Open would show as 40.
    EXPECT_LE(OpenFileCount() - before, 2);
}

}  // namespace
