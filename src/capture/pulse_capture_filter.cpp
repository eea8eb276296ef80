#include "capture/pulse_capture_filter.h"

#include <vector>

#include "capture/pin_list.h"
#include "pulse/sound_server.h"
#include "pulse/switched_ports.h"

namespace {

class InputMixer final : public AudioInputMixer {
  public:
    InputMixer(std::shared_ptr<PulseCaptureFilter> filter, CaptureInput input)
        : filter_(std::move(filter)), input_(std::move(input)) {}

    HRESULT put_Enable(bool enable) override {
        filter_->Enable(input_, enable);
        return S_OK;
    }

    HRESULT get_MixLevel(double* level) override {
        const SoundDevice* source = filter_->server().model().SourceNamed(input_.source);
        if (!source) return E_FAIL;
        *level = source->volume;
        return S_OK;
    }

    HRESULT put_MixLevel(double level) override {
        const SoundDevice* source = filter_->server().model().SourceNamed(input_.source);
        if (!source) return E_FAIL;
        filter_->server().SetSourceVolume(source->index, level);
        return S_OK;
    }

  private:
    std::shared_ptr<PulseCaptureFilter> filter_;
    CaptureInput input_;
};

class InputPin final : public Pin {
  public:
    InputPin(std::shared_ptr<PulseCaptureFilter> filter, CaptureInput input)
        : filter_(std::move(filter)), input_(std::move(input)) {}

    HRESULT QueryDirection(PinDirection* direction) override {
        *direction = PinDirection::Input;
        return S_OK;
    }
    HRESULT QueryPinInfo(QString* name) override {
        *name = input_.name;
        return S_OK;
    }
    InputKind QueryInputKind() override {
        return input_.outputMix ? InputKind::OutputMix : InputKind::DeviceInput;
    }
    StableInputName QueryStableName() override {
        return {filter_->card(),
                input_.songOutput ? QString::fromUtf8(kSongOutputMixName) : input_.source,
                input_.port};
    }
    std::shared_ptr<AudioInputMixer> QueryAudioInputMixer() override {
        return std::make_shared<InputMixer>(filter_, input_);
    }

  private:
    std::shared_ptr<PulseCaptureFilter> filter_;
    CaptureInput input_;
};

}  // namespace

PulseCaptureFilter::PulseCaptureFilter(SoundServer& server, SwitchedPorts& ports, QString card)
    : server_(server), ports_(ports), card_(std::move(card)) {}

HRESULT PulseCaptureFilter::EnumPins(std::shared_ptr<PinEnumerator>* pins) {
    // The pins keep the filter alive, as references to a filter's pins do.
    const auto self = shared_from_this();
    std::vector<std::shared_ptr<Pin>> list{std::make_shared<PulseCaptureOutputPin>(self)};
    for (const CaptureInput& input : CaptureInputsOf(server_.model(), card_))
        list.push_back(std::make_shared<InputPin>(self, input));
    *pins = std::make_shared<PinList>(std::move(list));
    return S_OK;
}

std::optional<CaptureSourceChoice> PulseCaptureFilter::Choice() const {
    const SoundModel& model = server_.model();
    QString source = enabled_ ? enabled_->source : QString();
    if (enabled_ && enabled_->songOutput) source = SongOutputMix(model);
    if (source.isEmpty()) {
        const std::vector<CaptureInput> inputs = CaptureInputsOf(model, card_);
        if (inputs.empty()) return std::nullopt;
        source = inputs.front().source;
    }
    const SoundDevice* device = model.SourceNamed(source);
    if (!device) return std::nullopt;
    return CaptureSourceChoice{card_, source, device->rate, device->channels};
}

bool PulseCaptureFilter::IsPresent() const {
    const SoundModel& model = server_.model();
    if (!card_.isEmpty() && CardIndexOf(model, card_) == kNoIndex) return false;
    return Choice().has_value();
}

void PulseCaptureFilter::Enable(const CaptureInput& input, bool enable) {
    const bool isEnabled =
        enabled_ && enabled_->source == input.source && enabled_->port == input.port;
    if (!enable) {
        if (isEnabled) enabled_.reset();
        return;
    }
    enabled_ = input;
    ports_.Switch(input.source, input.port);
}

HRESULT PulseCaptureOutputPin::QueryDirection(PinDirection* direction) {
    *direction = PinDirection::Output;
    return S_OK;
}

HRESULT PulseCaptureOutputPin::QueryPinInfo(QString* name) {
    *name = QStringLiteral("Capture");
    return S_OK;
}
