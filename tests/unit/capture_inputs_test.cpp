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

// A desktop as the sound server shows it: HDMI first in card order, the built-in card
// with its UCM microphone ports (the front one unplugged) and the default output, and a
// webcam whose microphone is described like most inputs are.
SoundModel Desktop() {
    SoundModel model;
    model.cards[0] = {0, "alsa_card.hdmi", "HDA NVidia"};
    model.cards[1] = {1, "alsa_card.pci", "Built-in Audio"};
    model.cards[2] = {2, "alsa_card.usb-webcam", "Webcam"};
    model.sinks[10] = Device(10, "alsa_output.hdmi", "HDMI / DisplayPort", 0);
    model.sinks[10].monitorSource = "alsa_output.hdmi.monitor";
    model.sinks[11] = Device(11, "alsa_output.pci", "Speakers", 1);
    model.sinks[11].monitorSource = "alsa_output.pci.monitor";
    model.sinks[12] = Device(12, "alsa_output.pci-headphones", "Headphones", 1);
    model.sinks[12].monitorSource = "alsa_output.pci-headphones.monitor";
    for (const auto& [index, sink] : model.sinks) {
        SoundDevice& monitor = model.sources[index + 10];
        monitor = Device(index + 10, "", "Monitor", sink.card);
        monitor.name = sink.monitorSource;
        monitor.monitorOfSink = index;
    }
    SoundDevice mic = Device(30, "alsa_input.pci", "Built-in Audio Stereo", 1);
    mic.ports = {{"[In] Mic2", "Headphones Stereo Microphone", true, true},
                 {"[In] Mic1", "Front Stereo Microphone", false, true}};
    model.sources[30] = mic;
    model.sources[31] = Device(31, "alsa_input.usb-webcam", "Webcam Analog Stereo", 2);
    model.defaultSink = "alsa_output.pci-headphones";
    return model;
}

TEST(CaptureInputs, WhatTheUserHearsComesFirstAndMicrophonesAreNeverMixes) {
    const SoundModel model = Desktop();
    const std::vector<CaptureDeviceInfo> devices = CaptureDevicesOf(model);
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0].friendlyName, "Built-in Audio");
    EXPECT_EQ(devices[1].friendlyName, "HDA NVidia");
    EXPECT_EQ(devices[2].friendlyName, "Webcam");

    const std::vector<CaptureInput> builtIn = CaptureInputsOf(model, "alsa_card.pci");
    ASSERT_EQ(builtIn.size(), 3u);
    EXPECT_EQ(builtIn[0].name, "Headphones Stereo Microphone");
    EXPECT_FALSE(builtIn[0].outputMix);
    EXPECT_EQ(builtIn[1].name, "Headphones - output mix");
    EXPECT_TRUE(builtIn[1].outputMix && builtIn[1].songOutput);
    EXPECT_EQ(builtIn[2].name, "Speakers - output mix");
    EXPECT_TRUE(builtIn[2].outputMix && !builtIn[2].songOutput);
    EXPECT_FALSE(CaptureInputsOf(model, "alsa_card.usb-webcam")[0].outputMix);
    EXPECT_EQ(SongOutputMix(model), "alsa_output.pci-headphones.monitor");

    SoundModel cardless = Laptop();
    cardless.defaultSink = "null";
    EXPECT_EQ(CaptureDevicesOf(cardless)[0].friendlyName, kCardlessDeviceName);
}

}  // namespace
