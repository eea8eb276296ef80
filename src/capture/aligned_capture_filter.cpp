#include "capture/aligned_capture_filter.h"

#include <vector>

#include "capture/pin_list.h"
#include "pulse/capture_inputs.h"
#include "pulse/sound_server.h"

namespace {

class LevelMixer final : public AudioInputMixer {
  public:
    explicit LevelMixer(std::shared_ptr<std::atomic<double>> level) : level_(std::move(level)) {}
    // The input is the device's only one: enabled it always is.
    HRESULT put_Enable(bool) override { return S_OK; }
    HRESULT get_MixLevel(double* level) override {
        *level = *level_;
        return S_OK;
    }
    HRESULT put_MixLevel(double level) override {
        *level_ = level;
        return S_OK;
    }

  private:
    std::shared_ptr<std::atomic<double>> level_;
};

class MixInputPin final : public Pin {
  public:
    explicit MixInputPin(std::shared_ptr<AlignedCaptureFilter> filter)
        : filter_(std::move(filter)) {}
    HRESULT QueryDirection(PinDirection* direction) override {
        *direction = PinDirection::Input;
        return S_OK;
    }
    HRESULT QueryPinInfo(QString* name) override {
        *name = QString::fromUtf8(kAlignedInputName);
        return S_OK;
    }
    // What is heard, as the output mixes are: the first run's search finds it.
    InputKind QueryInputKind() override { return InputKind::OutputMix; }
    StableInputName QueryStableName() override {
        return {QString(), QString::fromUtf8(kAlignedSourceName), QString()};
    }
    std::shared_ptr<AudioInputMixer> QueryAudioInputMixer() override {
        return std::make_shared<LevelMixer>(filter_->state()->level);
    }

  private:
    std::shared_ptr<AlignedCaptureFilter> filter_;
};

class AlignedMoniker final : public DeviceMoniker {
  public:
    AlignedMoniker(SoundServer& server, std::shared_ptr<AlignedInputState> state)
        : server_(server), state_(std::move(state)) {}
    HRESULT ReadFriendlyName(QString* name) override {
        *name = QString::fromUtf8(kAlignedDeviceName);
        return S_OK;
    }
    HRESULT ReadStableName(QString* name) override {
        *name = QString::fromUtf8(kAlignedSourceName);
        return S_OK;
    }
    HRESULT BindToObject(std::shared_ptr<MediaFilter>* filter) override {
        *filter = std::make_shared<AlignedCaptureFilter>(server_, state_);
        return S_OK;
    }

  private:
    SoundServer& server_;
    std::shared_ptr<AlignedInputState> state_;
};

}  // namespace

HRESULT AlignedCaptureFilter::EnumPins(std::shared_ptr<PinEnumerator>* pins) {
    *pins = std::make_shared<PinList>(
        std::vector<std::shared_ptr<Pin>>{std::make_shared<AlignedOutputPin>(shared_from_this()),
                                          std::make_shared<MixInputPin>(shared_from_this())});
    return S_OK;
}

bool AlignedCaptureFilter::IsPresent() const {
    return server_.IsReady() && !CaptureDevicesOf(server_.model()).empty();
}

std::shared_ptr<DeviceMoniker> MakeAlignedMoniker(SoundServer& server,
                                                  std::shared_ptr<AlignedInputState> state) {
    return std::make_shared<AlignedMoniker>(server, std::move(state));
}
