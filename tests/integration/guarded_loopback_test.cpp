#include <gtest/gtest.h>
#include <poll.h>

#include <QProcess>

#include "desktop/event_loop_wait.h"
#include "pulse/guarded_loopback.h"
#include "pulse/server_loopback_arguments.h"
#include "support/rig_devices.h"
#include "support/sound_rig_env.h"

// The guard of the playthrough's loopback module against the test run's PulseAudio, with
// its microphone "singer" and output "speakers". PipeWire carries the playthrough in a
// graph of the program's own instead.
namespace {

#define REQUIRE_PULSEAUDIO()                              \
    REQUIRE_SOUND_RIG();                                  \
    if (RigDevices::Pactl({"info"}).contains("PipeWire")) \
    GTEST_SKIP() << "the guard serves PulseAudio"

long long LoopbackModules() {
    return RigDevices::Pactl({"list", "modules", "short"}).count("module-loopback");
}

std::unique_ptr<GuardedLoopback> StartLoopback(const QByteArray& source) {
    return GuardedLoopback::Start(
        ServerLoopbackArguments({source, "speakers", 1, "capture", "playback"}, "guard-test"));
}

bool Playing() {
    return RigDevices::Pactl({"list", "sink-inputs"}).contains("\"guard-test\"");
}

bool Ended(const GuardedLoopback& loopback, int waitMs) {
    pollfd ended{loopback.endedFd(), POLLIN, 0};
    return poll(&ended, 1, waitMs) == 1;
}

TEST(GuardedLoopback, PlaysUntilItGoesAndLeavesNoModule) {
    REQUIRE_PULSEAUDIO();
    const long long before = LoopbackModules();
    auto loopback = StartLoopback("singer");
    ASSERT_TRUE(loopback) << "the guard is built with the program";
    ASSERT_TRUE(RunEventLoopUntil(Playing, 5000));
    EXPECT_FALSE(Ended(*loopback, 0));
    loopback.reset();
    // Gone when the object is: a playthrough switched off is not heard a moment longer.
    EXPECT_EQ(LoopbackModules(), before);
    EXPECT_FALSE(Playing());
}

TEST(GuardedLoopback, EndsWhenTheModuleWillNotLoadOrTheGuardIsTerminated) {
    REQUIRE_PULSEAUDIO();
    const long long before = LoopbackModules();
    const auto refused = StartLoopback("no_such_microphone");
    ASSERT_TRUE(refused);
    EXPECT_TRUE(Ended(*refused, 5000));

    const auto terminated = StartLoopback("singer");
    ASSERT_TRUE(terminated);
    ASSERT_TRUE(RunEventLoopUntil(Playing, 5000));
    QProcess::execute("pkill", {"-TERM", "-f", "tarvelo-loopback-guard .*guard-test"});
    EXPECT_TRUE(Ended(*terminated, 5000));
    EXPECT_EQ(LoopbackModules(), before);
}

}  // namespace
