#pragma once

#include <memory>

#include "services/capture_devices.h"

class SoundServer;
class SwitchedPorts;

// The capture devices of the sound server's current model; ports switched for recording
// are kept in ports.
std::shared_ptr<DeviceEnumerator> MakePulseDeviceEnumerator(SoundServer& server,
                                                            SwitchedPorts& ports);
