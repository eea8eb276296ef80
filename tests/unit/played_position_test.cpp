#include "pulse/played_position.h"

#include <gtest/gtest.h>

namespace {
constexpr double kBytesPerUsec = 1.0;
}

TEST(PlayedPosition, TheReportFurthestOnTellsWhereTheOutputReads) {
    PlayedPosition position;
    EXPECT_FALSE(position.At(1000, kBytesPerUsec));
    position.Report(0, 0, true);
    EXPECT_EQ(position.At(20'000, kBytesPerUsec), 20'000);
    // A later report that lags 13 ms behind what the output read.
    position.Report(50'000, 37'000, true);
    EXPECT_EQ(position.At(60'000, kBytesPerUsec), 60'000);
    // A report that was already made says nothing new.
    position.Report(50'000, 90'000, true);
    EXPECT_EQ(position.At(60'000, kBytesPerUsec), 60'000);
    // Past a quarter of a second the first report no longer counts.
    position.Report(400'000, 390'000, true);
    EXPECT_EQ(position.At(410'000, kBytesPerUsec), 400'000);
}

TEST(PlayedPosition, AnOutputThatStoppedReadsOnOnlyOnceAReportSaysSo) {
    PlayedPosition position;
    position.Report(0, 0, true);
    position.Report(10'000, 10'000, false);
    EXPECT_EQ(position.At(30'000, kBytesPerUsec), 10'000) << "the earlier report no longer counts";
    position.Report(40'000, 12'000, true);
    EXPECT_EQ(position.At(50'000, kBytesPerUsec), 22'000);
    // Run dry: until the next report, the last one is taken as it stands.
    position.Forget();
    EXPECT_EQ(position.At(80'000, kBytesPerUsec), 12'000);
    position.Report(90'000, 60'000, true);
    EXPECT_EQ(position.At(100'000, kBytesPerUsec), 70'000);
}
