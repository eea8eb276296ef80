#pragma once

#include "services/capture_devices.h"

// A capture device's filter whose device may leave the sound server and come back.
class ServerDeviceFilter : public MediaFilter {
  public:
    virtual bool IsPresent() const = 0;
};
