#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "pulse/sound_model.h"

// How the sound server's objects become capture devices and their inputs: one device per
// card that has a source, named after the card, in card order, and one more for the
// sources that belong to no card. A device's inputs are the ports of its own sources
// (a source without ports is one input), then the monitors of its outputs.

struct CaptureDeviceInfo {
    QString card;  // the card's name; empty for the device of the sources without a card
    QString friendlyName;
};

struct CaptureInput {
    QString name;
    QString source;
    QString port;  // empty when the source has no ports
};

inline constexpr char kCardlessDeviceName[] = "Other inputs";
inline constexpr char kOutputMixSuffix[] = " - output mix";

std::vector<CaptureDeviceInfo> CaptureDevicesOf(const SoundModel& model);
std::vector<CaptureInput> CaptureInputsOf(const SoundModel& model, const QString& card);
// The index of the card with that name, kNoIndex for the empty name or one that is gone.
std::uint32_t CardIndexOf(const SoundModel& model, const QString& card);
