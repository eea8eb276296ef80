#include "pulse/capture_inputs.h"

#include <algorithm>

namespace {

bool OnDevice(const SoundModel& model, const SoundDevice& device, const QString& card) {
    if (card.isEmpty()) return device.card == kNoIndex;
    const auto found = model.cards.find(device.card);
    return found != model.cards.end() && found->second.name == card;
}

QString CardNameOf(const SoundModel& model, std::uint32_t card) {
    const auto found = model.cards.find(card);
    return found == model.cards.end() ? QString() : found->second.name;
}

}  // namespace

std::vector<CaptureDeviceInfo> CaptureDevicesOf(const SoundModel& model) {
    std::vector<CaptureDeviceInfo> devices;
    for (const auto& [index, card] : model.cards) {
        if (CaptureInputsOf(model, card.name).empty()) continue;
        devices.push_back({card.name, card.description.isEmpty() ? card.name : card.description});
    }
    if (!CaptureInputsOf(model, QString()).empty())
        devices.push_back({QString(), QString::fromUtf8(kCardlessDeviceName)});
    if (const SoundDevice* songOutput = model.SinkNamed(model.defaultSink)) {
        const QString card = CardNameOf(model, songOutput->card);
        std::stable_partition(devices.begin(), devices.end(),
                              [&](const CaptureDeviceInfo& device) { return device.card == card; });
    }
    return devices;
}

std::vector<CaptureInput> CaptureInputsOf(const SoundModel& model, const QString& card) {
    std::vector<CaptureInput> inputs;
    for (const auto& [index, source] : model.sources) {
        if (source.monitorOfSink != kNoIndex || !OnDevice(model, source, card)) continue;
        if (source.ports.empty()) inputs.push_back({source.description, source.name, QString()});
        // An unplugged port records nothing; switching to it would take the user's input.
        for (const SoundPort& port : source.ports)
            if (port.available) inputs.push_back({port.description, source.name, port.name});
    }
    const auto firstMix = inputs.size();
    for (const auto& [index, sink] : model.sinks) {
        if (!OnDevice(model, sink, card) || !model.SourceNamed(sink.monitorSource)) continue;
        const bool songOutput = sink.name == model.defaultSink;
        const CaptureInput mix{sink.description + QString::fromUtf8(kOutputMixSuffix),
                               sink.monitorSource, QString(), true, songOutput};
        inputs.insert(songOutput ? inputs.begin() + static_cast<long>(firstMix) : inputs.end(),
                      mix);
    }
    return inputs;
}

std::uint32_t CardIndexOf(const SoundModel& model, const QString& card) {
    for (const auto& [index, entry] : model.cards) {
        if (!card.isEmpty() && entry.name == card) return index;
    }
    return kNoIndex;
}

QString SongOutputMix(const SoundModel& model) {
    const SoundDevice* songOutput = model.SinkNamed(model.defaultSink);
    return songOutput && model.SourceNamed(songOutput->monitorSource) ? songOutput->monitorSource
                                                                      : QString();
}

bool IsMicrophone(const SoundDevice& source) {
    if (source.monitorOfSink != kNoIndex) return false;
    if (source.formFactor == "microphone" || source.formFactor == "headset") return true;
    for (const SoundPort& port : source.ports)
        if (port.microphone) return true;
    return false;
}

const SoundDevice* MicrophoneOf(const SoundModel& model, std::uint32_t card) {
    const SoundDevice* chosen = model.SourceNamed(model.defaultSource);
    if (chosen && chosen->card == card && IsMicrophone(*chosen)) return chosen;
    for (const auto& [index, source] : model.sources)
        if (source.card == card && IsMicrophone(source)) return &source;
    return nullptr;
}

const SoundDevice* ProgramMicrophone(const SoundModel& model) {
    for (const CaptureDeviceInfo& device : CaptureDevicesOf(model))
        if (const SoundDevice* found = MicrophoneOf(model, CardIndexOf(model, device.card)))
            return found;
    return nullptr;
}
