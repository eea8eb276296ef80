#include "pulse/capture_inputs.h"

namespace {

bool OnDevice(const SoundModel& model, const SoundDevice& device, const QString& card) {
    if (card.isEmpty()) return device.card == kNoIndex;
    const auto found = model.cards.find(device.card);
    return found != model.cards.end() && found->second.name == card;
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
    return devices;
}

std::vector<CaptureInput> CaptureInputsOf(const SoundModel& model, const QString& card) {
    std::vector<CaptureInput> inputs;
    for (const auto& [index, source] : model.sources) {
        if (source.monitorOfSink != kNoIndex || !OnDevice(model, source, card)) continue;
        if (source.ports.empty()) inputs.push_back({source.description, source.name, QString()});
        for (const SoundPort& port : source.ports)
            inputs.push_back({port.description, source.name, port.name});
    }
    for (const auto& [index, sink] : model.sinks) {
        if (!OnDevice(model, sink, card) || !model.SourceNamed(sink.monitorSource)) continue;
        inputs.push_back({sink.description + QString::fromUtf8(kOutputMixSuffix),
                          sink.monitorSource, QString()});
    }
    return inputs;
}

std::uint32_t CardIndexOf(const SoundModel& model, const QString& card) {
    for (const auto& [index, entry] : model.cards) {
        if (!card.isEmpty() && entry.name == card) return index;
    }
    return kNoIndex;
}
