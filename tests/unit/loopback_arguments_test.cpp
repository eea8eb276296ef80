#include <gtest/gtest.h>

#include "pipewire/loopback_arguments.h"
#include "pulse/server_loopback_arguments.h"

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

TEST(ServerLoopbackArguments, KeepTheMicrophoneAndQuoteWhatTheDeviceNamesHold) {
    const QByteArray plain = ServerLoopbackArguments(
        {"usb_mic", "speakers", 1, "capture", "Microphone playthrough"}, "node-1");
    EXPECT_TRUE(plain.startsWith("source=\"usb_mic\" sink=\"speakers\" channels=1 "));
    EXPECT_TRUE(plain.contains(" source_dont_move=true "));
    EXPECT_TRUE(plain.endsWith(
        " sink_input_properties=\"media.name='Microphone playthrough' node.name='node-1'\""));

    // A name that closes its quote and adds an argument stays one value.
    const QByteArray odd =
        ServerLoopbackArguments({"mic\" source_dont_move=false x=\"", "out\\", 2, "c'", "p"}, "n");
    EXPECT_TRUE(odd.startsWith("source=\"mic\\\" source_dont_move=false x=\\\"\" "));
    EXPECT_TRUE(odd.contains(" sink=\"out\\\\\" "));
    EXPECT_TRUE(odd.contains("source_output_properties=\"media.name='c\\\\''\""));
}
