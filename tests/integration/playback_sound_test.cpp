#include <gtest/gtest.h>

#include <cmath>

#include "desktop/event_loop_wait.h"
#include "fakes/fake_platform.h"
#include "playback/player_window.h"
#include "support/media_maker.h"
#include "support/monitor_capture.h"
#include "support/posted_event_recorder.h"

namespace {

// What the output plays once a change has passed the sound server's buffers, which hold
// about a second of sound on the private server's null output.
ChannelLevels SettledLevels() {
    RunEventLoopFor(1600);
    const std::optional<ChannelLevels> levels = CaptureOutputLevels(400);
    EXPECT_TRUE(levels.has_value());
    return levels.value_or(ChannelLevels{});
}

class PlaybackSoundTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!HaveSoundServer()) GTEST_SKIP() << "no private sound server";
        fake.platform.mediaGraphs = MakeGstMediaGraphs();
        player.SetMediaPath(media.OggVorbis("long-tone.ogg", 200, 1000));
        ASSERT_TRUE(player.OpenMedia());
        player.Run();
    }
    void TearDown() override {
        if (player.state() != PlayerState::Closed) player.CloseMedia();
    }

    MediaMaker media;
    FakePlatform fake;
    PostedEventRecorder mainWindow;
    PlayerWindow player{fake.platform, &mainWindow};
};

TEST_F(PlaybackSoundTest, VolumeSliderPositionsGiveTheirGainAtTheOutput) {
    player.SetVolume(1.0f);
    const ChannelLevels full = SettledLevels();
    ASSERT_GT(full.left, 0.1);
    for (int position : {75, 50, 21, 2}) {
        player.SetVolume(static_cast<float>(position) * 0.01f);
        const double expected = std::pow(10.0, player.volume() / 2000.0);
        const ChannelLevels level = SettledLevels();
        EXPECT_NEAR(level.left / full.left, expected, expected * 0.1) << "position " << position;
        EXPECT_NEAR(level.right / full.right, expected, expected * 0.1) << "position " << position;
    }
    player.SetVolume(0.0f);
    const ChannelLevels silent = SettledLevels();
    EXPECT_LT(silent.left, full.left * 1e-3);
    EXPECT_LT(silent.right, full.right * 1e-3);
}

TEST_F(PlaybackSoundTest, ChannelsSilenceTheOtherSide) {
    const ChannelLevels stereo = SettledLevels();
    ASSERT_GT(stereo.left, 0.1);
    ASSERT_GT(stereo.right, 0.1);

    player.SetChannel(kChannelLeft);
    const ChannelLevels left = SettledLevels();
    EXPECT_NEAR(left.left, stereo.left, stereo.left * 0.1);
    EXPECT_LT(left.right, stereo.right * 1e-3);

    player.SetChannel(kChannelRight);
    const ChannelLevels right = SettledLevels();
    EXPECT_LT(right.left, stereo.left * 1e-3);
    EXPECT_NEAR(right.right, stereo.right, stereo.right * 0.1);

    player.SetChannel(kChannelStereo);
    const ChannelLevels back = SettledLevels();
    EXPECT_NEAR(back.left, stereo.left, stereo.left * 0.1);
    EXPECT_NEAR(back.right, stereo.right, stereo.right * 0.1);
}

}  // namespace
