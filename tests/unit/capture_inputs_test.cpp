#include "pulse/capture_inputs.h"

#include <gtest/gtest.h>

namespace {

SoundDevice Device(std::uint32_t index, const char* name, const char* description,
                   std::uint32_t card) {
    SoundDevice device;
    device.index = index;
    device.name = name;
    device.description = description;
    device.card = card;
    device.rate = 48000;
    device.channels = 2;
    return device;
}

// A laptop's card with a microphone source of two ports and speakers, a USB headset with
// a port-less microphone, and a null output without a card.
SoundModel Laptop() {
    SoundModel model;
    model.cards[0] = {0, "alsa_card.pci", "Built-in Audio"};
    model.cards[3] = {3, "alsa_card.usb", "USB Headset"};
    SoundDevice mic = Device(1, "alsa_input.pci", "Built-in Audio Analog Stereo", 0);
    mic.ports = {{"analog-input-mic", "Microphone", true},
                 {"analog-input-linein", "Line In", true}};
    model.sources[1] = mic;
    model.sources[2] = Device(2, "alsa_output.pci.monitor", "Monitor of Built-in", 0);
    model.sources[2].monitorOfSink = 5;
    model.sources[4] = Device(4, "alsa_input.usb", "USB Headset Mono", 3);
    model.sources[7] = Device(7, "null.monitor", "Monitor of Null", kNoIndex);
    model.sources[7].monitorOfSink = 6;
    model.sinks[5] = Device(5, "alsa_output.pci", "Built-in Speakers", 0);
    model.sinks[5].monitorSource = "alsa_output.pci.monitor";
    model.sinks[6] = Device(6, "null", "Null Output", kNoIndex);
    model.sinks[6].monitorSource = "null.monitor";
    return model;
}

TEST(CaptureInputs, CardsInOrderThenTheSourcesWithoutACard) {
    const std::vector<CaptureDeviceInfo> devices = CaptureDevicesOf(Laptop());
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0].friendlyName, "Built-in Audio");
    EXPECT_EQ(devices[1].friendlyName, "USB Headset");
    EXPECT_EQ(devices[2].friendlyName, kCardlessDeviceName);
    EXPECT_TRUE(devices[2].card.isEmpty());
}

TEST(CaptureInputs, PortsOfTheSourcesThenTheMonitorsOfTheOutputs) {
    const SoundModel model = Laptop();
    const std::vector<CaptureInput> builtIn = CaptureInputsOf(model, "alsa_card.pci");
    ASSERT_EQ(builtIn.size(), 3u);
    EXPECT_EQ(builtIn[0].name, "Microphone");
    EXPECT_EQ(builtIn[0].port, "analog-input-mic");
    EXPECT_EQ(builtIn[1].name, "Line In");
    EXPECT_EQ(builtIn[1].source, "alsa_input.pci");
    EXPECT_EQ(builtIn[2].name, "Built-in Speakers - output mix");
    EXPECT_EQ(builtIn[2].source, "alsa_output.pci.monitor");
    EXPECT_TRUE(builtIn[2].port.isEmpty());

    const std::vector<CaptureInput> headset = CaptureInputsOf(model, "alsa_card.usb");
    ASSERT_EQ(headset.size(), 1u);
    EXPECT_EQ(headset[0].name, "USB Headset Mono");

    const std::vector<CaptureInput> cardless = CaptureInputsOf(model, QString());
    ASSERT_EQ(cardless.size(), 1u);
    EXPECT_EQ(cardless[0].name, "Null Output - output mix");
}

TEST(CaptureInputs, ACardWhoseSourcesAreGoneIsNoDevice) {
    SoundModel model = Laptop();
    model.sources.erase(4);
    model.sources.erase(7);
    const std::vector<CaptureDeviceInfo> devices = CaptureDevicesOf(model);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].card, "alsa_card.pci");
    EXPECT_EQ(CardIndexOf(model, "alsa_card.usb"), 3u);
    EXPECT_EQ(CardIndexOf(model, "gone"), kNoIndex);
    EXPECT_EQ(CardIndexOf(model, QString()), kNoIndex);
}

}  // namespace
