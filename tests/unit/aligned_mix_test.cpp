#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "gst/aligned_mix.h"

namespace {

constexpr int kRate = 1000;  // one frame a millisecond
constexpr std::int64_t kMs = 1'000'000;

struct Written {
    std::vector<std::int16_t> mix;
    std::vector<std::int16_t> voice;
};

AlignedMix::Write Into(Written& written) {
    return [&written](auto mix, auto voice) {
        written.mix.insert(written.mix.end(), mix.begin(), mix.end());
        written.voice.insert(written.voice.end(), voice.begin(), voice.end());
    };
}

// A stereo song of silence with one loud frame at click, heard from heardMs on.
void AddSong(AlignedMix& mix, std::size_t frames, std::size_t click, std::int64_t heardMs) {
    std::vector<float> samples(frames * 2, 0.0f);
    samples[click * 2] = samples[click * 2 + 1] = 0.5f;
    mix.AddSong({samples.data(), frames, kRate, 2, 0, 7});
    // The output's clock has run steadily for a while.
    mix.SetSongClock({7, heardMs * kMs, 0, -1});
    mix.SetSongClock({7, heardMs * kMs, 500 * kMs, -1});
}

std::size_t LoudestAt(const std::vector<std::int16_t>& samples) {
    return static_cast<std::size_t>(std::max_element(samples.begin(), samples.end()) -
                                    samples.begin());
}

TEST(AlignedMix, PlacesTheVoiceWhereItWasSungAgainstWhatWasHeard) {
    AlignedMix mix;
    mix.SetOffsetNs(30 * kMs);
    // The song is heard from 1000 ms; its click at frame 100 is heard at 1100 ms, and the
    // singer's answer is taken in 30 ms later, at 1130 ms.
    AddSong(mix, 400, 100, 1000);
    std::vector<float> voice(1000, 0.0f);
    voice[1130 - 900] = 0.25f;
    mix.AddVoice(voice.data(), voice.size(), kRate, 1, 900 * kMs);

    Written written;
    // Not yet: what the song needs of the voice has not all come in.
    mix.Mix(1200 * kMs, false, Into(written));
    EXPECT_LT(written.voice.size(), 400u);
    mix.Mix(5000 * kMs, true, Into(written));
    ASSERT_EQ(written.voice.size(), 400u);
    ASSERT_EQ(written.mix.size(), 800u);
    EXPECT_EQ(LoudestAt(written.voice), 100u);
    // The song's click and the voice's answer coincide in the mix.
    EXPECT_EQ(written.mix[200], static_cast<std::int16_t>(std::lround(0.75 * 32767)));
    EXPECT_EQ(written.voice[100], static_cast<std::int16_t>(std::lround(0.25 * 32767)));
}

// While the voice's place is learnt nothing is mixed, and what was held is mixed where the
// voice was placed in the end.
TEST(AlignedMix, AVoiceMovedWhileHeldIsMixedAtItsLastPlace) {
    AlignedMix mix;
    AddSong(mix, 400, 100, 1000);
    std::vector<float> voice(1000, 0.0f);
    voice[1100 - 907] = 0.25f;
    mix.AddVoice(voice.data(), voice.size(), kRate, 1, 900 * kMs);
    mix.HoldUntil(4000 * kMs);
    Written written;
    mix.Mix(3000 * kMs, false, Into(written));
    EXPECT_TRUE(written.voice.empty());
    // The meter shows what came in meanwhile: the song's click, louder than the voice.
    EXPECT_FLOAT_EQ(mix.lastPeak(), 0.5);
    mix.MoveVoice(7 * kMs);
    mix.Mix(4000 * kMs, false, Into(written));
    ASSERT_EQ(written.voice.size(), 400u);
    EXPECT_EQ(LoudestAt(written.voice), 100u);
}

TEST(AlignedMix, TheSongGoesOnAloneWithoutVoiceAndWaitsForAStalledOneOnlySoLong) {
    AlignedMix gone;
    gone.EndVoice();
    AddSong(gone, 50, 0, 1000);
    Written alone;
    // Once heard and settled, the song is written without waiting.
    gone.Mix(1400 * kMs, false, Into(alone));
    EXPECT_EQ(alone.voice.size(), 50u);
    EXPECT_EQ(alone.mix.front(), static_cast<std::int16_t>(std::lround(0.5 * 32767)));

    AlignedMix stalled;
    AddSong(stalled, 50, 0, 1000);
    Written waited;
    stalled.Mix(2000 * kMs, false, Into(waited));
    EXPECT_TRUE(waited.voice.empty());
    stalled.Mix(2600 * kMs, false, Into(waited));
    EXPECT_EQ(waited.voice.size(), 50u);
}

TEST(AlignedMix, TheLevelScalesTheMixAndABlockNeverPlayedIsWrittenAtTheEnd) {
    AlignedMix mix;
    mix.EndVoice();
    mix.SetGain(0.5);
    std::vector<float> samples(20, 0.8f);
    mix.AddSong({samples.data(), 10, kRate, 2, 0, 3});
    Written written;
    mix.Mix(10'000 * kMs, false, Into(written));
    EXPECT_TRUE(written.mix.empty());  // its place is not known before the output plays it
    mix.Mix(10'000 * kMs, true, Into(written));
    ASSERT_EQ(written.mix.size(), 20u);
    EXPECT_EQ(written.mix[0], static_cast<std::int16_t>(std::lround(0.4 * 32767)));
}

}  // namespace
