#include "capture/pulse_device_enumerator.h"

#include <vector>

#include "capture/aligned_capture_filter.h"
#include "capture/pulse_capture_filter.h"
#include "pulse/capture_inputs.h"
#include "pulse/sound_server.h"

namespace {

// How long start-up and a rebuild may wait for the sound server's first answer.
constexpr int kServerWaitMs = 3000;

class PulseMoniker final : public DeviceMoniker {
  public:
    PulseMoniker(SoundServer& server, SwitchedPorts& ports, CaptureDeviceInfo device)
        : server_(server), ports_(ports), device_(std::move(device)) {}

    HRESULT ReadFriendlyName(QString* name) override {
        *name = device_.friendlyName;
        return S_OK;
    }

    HRESULT ReadStableName(QString* name) override {
        *name = device_.card;
        return S_OK;
    }

    HRESULT BindToObject(std::shared_ptr<MediaFilter>* filter) override {
        if (!device_.card.isEmpty() && CardIndexOf(server_.model(), device_.card) == kNoIndex)
            return E_FAIL;
        *filter = std::make_shared<PulseCaptureFilter>(server_, ports_, device_.card);
        return S_OK;
    }

  private:
    SoundServer& server_;
    SwitchedPorts& ports_;
    CaptureDeviceInfo device_;
};

class MonikerList final : public MonikerEnumerator {
  public:
    explicit MonikerList(std::vector<std::shared_ptr<DeviceMoniker>> monikers)
        : monikers_(std::move(monikers)) {}
    HRESULT Next(std::shared_ptr<DeviceMoniker>* moniker) override {
        if (next_ >= monikers_.size()) return S_FALSE;
        *moniker = monikers_[next_++];
        return S_OK;
    }

  private:
    std::vector<std::shared_ptr<DeviceMoniker>> monikers_;
    std::size_t next_ = 0;
};

class PulseDeviceEnumerator final : public DeviceEnumerator {
  public:
    PulseDeviceEnumerator(SoundServer& server, SwitchedPorts& ports,
                          std::shared_ptr<AlignedInputState> aligned)
        : server_(server), ports_(ports), aligned_(std::move(aligned)) {}

    HRESULT CreateClassEnumerator(std::shared_ptr<MonikerEnumerator>* devices) override {
        // A server that does not answer has no devices to offer.
        if (!server_.WaitUntilReady(kServerWaitMs)) return S_FALSE;
        std::vector<std::shared_ptr<DeviceMoniker>> monikers;
        for (const CaptureDeviceInfo& device : CaptureDevicesOf(server_.model()))
            monikers.push_back(std::make_shared<PulseMoniker>(server_, ports_, device));
        if (monikers.empty()) return S_FALSE;
        // Ahead of the devices the server has: the song and the singer in time.
        monikers.insert(monikers.begin(), MakeAlignedMoniker(server_, aligned_));
        *devices = std::make_shared<MonikerList>(std::move(monikers));
        return S_OK;
    }

  private:
    SoundServer& server_;
    SwitchedPorts& ports_;
    std::shared_ptr<AlignedInputState> aligned_;
};

}  // namespace

std::shared_ptr<DeviceEnumerator> MakePulseDeviceEnumerator(
    SoundServer& server, SwitchedPorts& ports, std::shared_ptr<AlignedInputState> aligned) {
    return std::make_shared<PulseDeviceEnumerator>(server, ports, std::move(aligned));
}
