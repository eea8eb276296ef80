#pragma once

#include <QByteArray>

#include "pipewire/loopback_arguments.h"

// The arguments of PulseAudio's loopback module for a loopback between the ends whose
// playback stream carries node as "node.name". Names are quoted whatever they hold, so that
// a device name cannot add arguments.
QByteArray ServerLoopbackArguments(const LoopbackEnds& ends, const QByteArray& node);
