#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "pulse/sound_model.h"

// How the sound server's objects become capture devices and their inputs: one device per
// card that has a source, named after the card, and one more for the sources that belong
// to no card. What the user hears comes first: the device that holds the default output
// leads, the others keep card order. A device's inputs are the available ports of its own
// sources (a source without ports is one input), then the mixes of its outputs, the
// default output's first.

struct CaptureDeviceInfo {
    QString card;  // the card's name; empty for the device of the sources without a card
    QString friendlyName;
};

struct CaptureInput {
    QString name;
    QString source;
    QString port;             // empty when the source has no ports
    bool outputMix = false;   // what an output plays, not a microphone or a line
    bool songOutput = false;  // the default output's mix: it follows the song's output
};

inline constexpr char kCardlessDeviceName[] = "Other inputs";
// The stable name of the song output's mix, whichever output that is: the sound server's
// own name for the default output's monitor.
inline constexpr char kSongOutputMixName[] = "@DEFAULT_MONITOR@";
inline constexpr char kOutputMixSuffix[] = " - output mix";

std::vector<CaptureDeviceInfo> CaptureDevicesOf(const SoundModel& model);
std::vector<CaptureInput> CaptureInputsOf(const SoundModel& model, const QString& card);
// The index of the card with that name, kNoIndex for the empty name or one that is gone.
std::uint32_t CardIndexOf(const SoundModel& model, const QString& card);
// A microphone by what the server says of it: its form factor or a port of its.
bool IsMicrophone(const SoundDevice& source);
// The card's microphone (kNoIndex: of the sources without a card): the default source
// when it is one of them, else the first.
const SoundDevice* MicrophoneOf(const SoundModel& model, std::uint32_t card);
// The program's microphone: that of the first capture device that has one; null when
// none has.
const SoundDevice* ProgramMicrophone(const SoundModel& model);
// The monitor of the output the song plays on (the default output), or empty.
QString SongOutputMix(const SoundModel& model);
