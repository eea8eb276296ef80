#include "pulse/switched_ports.h"

#include <gtest/gtest.h>

namespace {

// Two sources with UCM ports, as a laptop's card and a USB headset show them.
SoundModel TwoCards() {
    SoundModel model;
    for (std::uint32_t index : {1u, 2u}) {
        SoundDevice& source = model.sources[index];
        source.index = index;
        source.name = index == 1 ? "alsa_input.pci" : "alsa_input.usb";
        source.ports = {{"[In] Mic1", "Front Stereo Microphone"},
                        {"[In] Mic2", "Headphones Stereo Microphone"},
                        {"[In] Line", "Line In"}};
        source.activePort = "[In] Mic1";
    }
    return model;
}

TEST(SwitchedPorts, TheUsersPortsComeBackUnlessTheUserSwitchedThemAgain) {
    SoundModel model = TwoCards();
    const auto setPort = [&](std::uint32_t source, const QString& port) {
        model.sources[source].activePort = port;
    };
    {
        SwitchedPorts ports(model, setPort);
        ports.Switch("alsa_input.pci", "[In] Mic2");
        ports.Switch("alsa_input.pci", "[In] Line");
        EXPECT_EQ(model.sources[1].activePort, "[In] Line");
        ports.Switch("alsa_input.usb", "[In] Line");
        model.sources[2].activePort = "[In] Mic2";  // the user, in the desktop's settings
    }
    EXPECT_EQ(model.sources[1].activePort, "[In] Mic1");
    EXPECT_EQ(model.sources[2].activePort, "[In] Mic2");
}

TEST(SwitchedPorts, ASwitchTheModelDoesNotShowYetIsGivenBackToo) {
    const SoundModel model = TwoCards();  // the server's reports lag behind
    std::map<std::uint32_t, QString> server;
    SwitchedPorts ports(model,
                        [&](std::uint32_t source, const QString& port) { server[source] = port; });
    ports.Switch("alsa_input.pci", "[In] Mic2");
    EXPECT_EQ(server[1], "[In] Mic2");
    ports.GiveBack();
    EXPECT_EQ(server[1], "[In] Mic1");
}

}  // namespace
