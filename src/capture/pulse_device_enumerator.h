#pragma once

#include <memory>

#include "services/capture_devices.h"

class SoundServer;
class SwitchedPorts;
struct AlignedInputState;

// The capture devices of the sound server's current model, led by "Song and microphone"
// whenever there is one; ports switched for recording are kept in ports.
std::shared_ptr<DeviceEnumerator> MakePulseDeviceEnumerator(
    SoundServer& server, SwitchedPorts& ports, std::shared_ptr<AlignedInputState> aligned);
