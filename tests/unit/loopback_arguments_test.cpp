#include <gtest/gtest.h>

#include "pipewire/loopback_arguments.h"

TEST(LoopbackArguments, NameTheEndsAndQuoteWhatTheDeviceNamesHold) {
    const QByteArray mono = LoopbackArguments({"usb_mic", "speakers", 1, "capture", "playback"},
                                              "tarvelo-playthrough-1-0");
    EXPECT_TRUE(mono.contains("audio.channels = 1 audio.position = [ MONO ]"));
    EXPECT_TRUE(
        mono.contains("capture.props = { target.object = \"usb_mic\" "
                      "node.dont-reconnect = true"));
    EXPECT_TRUE(mono.contains("playback.props = { target.object = \"speakers\""));

    // A name that closes its quote and adds a property stays one string.
    const QByteArray odd =
        LoopbackArguments({"mic\" node.latency = 1/1 x = \"", "out\\", 2, "c", "p"}, "n");
    EXPECT_TRUE(odd.contains("audio.position = [ FL FR ]"));
    EXPECT_TRUE(odd.contains("target.object = \"mic\\\" node.latency = 1/1 x = \\\"\" "));
    EXPECT_TRUE(odd.contains("target.object = \"out\\\\\" "));
    EXPECT_EQ(odd.count("node.latency ="), 2);  // the loopback's own and the quoted one
}
