#pragma once

#include <QString>

#include "services/capture_devices.h"

// Whether an input's name marks it as the mix input, which carries what the computer
// plays: its lower-cased form contains one of the keywords.
bool IsMixInputName(const QString& name);
// The keyword test for an input of the given kind: a device's own input (a microphone
// described "... Analog Stereo") is never the mix, whatever its name holds.
bool IsMixInput(const QString& name, InputKind kind);
