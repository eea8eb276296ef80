#include "app/output_naming.h"

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
    EXPECT_EQ(WavNameFor("http://host/a.mp3"), "http://host/a.wav");
}
