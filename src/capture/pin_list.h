#pragma once

#include <memory>
#include <vector>

#include "services/capture_devices.h"

// A filter's pins, handed out one by one.
class PinList final : public PinEnumerator {
  public:
    explicit PinList(std::vector<std::shared_ptr<Pin>> pins) : pins_(std::move(pins)) {}
    HRESULT Reset() override {
        next_ = 0;
        return S_OK;
    }
    HRESULT Next(std::shared_ptr<Pin>* pin) override {
        if (next_ >= pins_.size()) return S_FALSE;
        *pin = pins_[next_++];
        return S_OK;
    }

  private:
    std::vector<std::shared_ptr<Pin>> pins_;
    std::size_t next_ = 0;
};
