#pragma once

#include "capture/capture_system.h"
#include "pulse/sound_server.h"
#include "support/main_dialog_rig.h"

// The main window on the real sound server and recording graph; every other service
// stays a fake that records what it was asked.
inline SoundServer& UseRealCapture(
    MainDialogRig& rig, std::uint64_t classicDataLimit = WavFileWriter::kClassicDataLimit) {
    Platform& platform = rig.fake.platform;
    platform.capture.reset();
    rig.fake.capture = nullptr;
    if (!platform.soundServer) platform.soundServer = std::make_unique<SoundServer>("tarvelo-test");
    platform.capture = MakeCaptureSystem(*platform.soundServer, classicDataLimit);
    return *platform.soundServer;
}
