#include "pulse/sound_model.h"

namespace {

const SoundDevice* Named(const std::map<std::uint32_t, SoundDevice>& devices, const QString& name) {
    for (const auto& [index, device] : devices) {
        if (device.name == name) return &device;
    }
    return nullptr;
}

}  // namespace

const SoundDevice* SoundModel::SourceNamed(const QString& name) const {
    return Named(sources, name);
}

const SoundDevice* SoundModel::SinkNamed(const QString& name) const {
    return Named(sinks, name);
}
