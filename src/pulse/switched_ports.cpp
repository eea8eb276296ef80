#include "pulse/switched_ports.h"

SwitchedPorts::SwitchedPorts(const SoundModel& model, SetPort setPort)
    : model_(model), setPort_(std::move(setPort)) {}

SwitchedPorts::~SwitchedPorts() {
    GiveBack();
}

void SwitchedPorts::Switch(const QString& source, const QString& port) {
    const SoundDevice* device = model_.SourceNamed(source);
    if (!device || port.isEmpty()) return;
    const auto [entry, first] = switched_.try_emplace(source, Switched{device->activePort, port});
    entry->second.ours = port;
    if (device->activePort != port) setPort_(device->index, port);
}

void SwitchedPorts::GiveBack() {
    for (const auto& [source, switched] : switched_) {
        const SoundDevice* device = model_.SourceNamed(source);
        if (!device || switched.original.isEmpty() || switched.original == switched.ours) continue;
        // The model may not show our switch yet; the request still comes after it.
        if (device->activePort == switched.ours || device->activePort == switched.original)
            setPort_(device->index, switched.original);
    }
    switched_.clear();
}
