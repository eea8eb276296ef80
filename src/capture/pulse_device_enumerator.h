#pragma once

#include <memory>

#include "services/capture_devices.h"

class SoundServer;

// The capture devices of the sound server's current model.
std::shared_ptr<DeviceEnumerator> MakePulseDeviceEnumerator(SoundServer& server);
