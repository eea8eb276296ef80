#include "core/output_naming.h"

#include <gtest/gtest.h>

TEST(OutputNaming, DisplayNameTakesUrlsWholeAndDropsFolders) {
    EXPECT_FALSE(DisplayNameOf("").has_value());
    EXPECT_EQ(DisplayNameOf("/media/Song One.mp3"), "Song One.mp3");
    EXPECT_EQ(DisplayNameOf("http://host/a.mp3"), "http://host/a.mp3");
    EXPECT_EQ(DisplayNameOf("rtsp://host/a.mp3"), "rtsp://host/a.mp3");
    EXPECT_EQ(DisplayNameOf("track"), "track");
}

TEST(OutputNaming, WavNameCutsAtTheLastDotOfTheName) {
    EXPECT_EQ(WavNameFor("/media/a.b.mp3"), "a.b.wav");
    EXPECT_EQ(WavNameFor("/media/track"), "track.wav");
    EXPECT_EQ(WavNameFor("/My.Songs/track"), "track.wav");
    EXPECT_EQ(WavNameFor("http://host/a.mp3"), "a.wav");
    EXPECT_EQ(WavNameFor(""), ".wav");
}

TEST(OutputNaming, ChosenFilesGetTheWavExtensionOnlyWhereTheNameHasOne) {
    EXPECT_EQ(WavPathFor("/d/My.Songs/take1"), "/d/My.Songs/take1.wav");
    EXPECT_EQ(WavPathFor("/d/My.Songs/take1.mp3"), "/d/My.Songs/take1.wav");
    EXPECT_EQ(WavPathFor("/d/take.1.WAV"), "/d/take.1.wav");
    EXPECT_EQ(FolderOf("/d/My.Songs/take1.wav"), "/d/My.Songs/");
    EXPECT_EQ(FolderOf("take1.wav"), "");
}

TEST(OutputNaming, BrowseStartsInTheOutputFolderOrTheCurrentOne) {
    EXPECT_EQ(BrowseStartFolderOf("/home/singer/Music/"), "/home/singer/Music");
    EXPECT_EQ(BrowseStartFolderOf("/home/singer/Music/a.wav"), "/home/singer/Music");
    EXPECT_EQ(BrowseStartFolderOf("bare.wav"), ".");
    EXPECT_EQ(BrowseStartFolderOf(""), ".");
    EXPECT_EQ(BrowseStartFolderOf("/a.wav"), "/");
}

TEST(OutputNaming, LongPathsAreKeptWhole) {
    const QString deep = "/" + QString("folder/").repeated(200) + QString(300, 'n') + ".ogg";
    EXPECT_EQ(WavNameFor(deep), QString(300, 'n') + ".wav");
    EXPECT_EQ(FolderOf(deep).size(), 1 + 7 * 200);
}
