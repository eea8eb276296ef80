#pragma once

#include <QByteArray>

struct LoopbackEnds {
    QByteArray source;       // the microphone's node name
    QByteArray sink;         // the output's node name
    int channels = 0;        // 1 or 2
    QByteArray captureName;  // as the server lists the streams
    QByteArray playbackName;
};

// The loopback module's arguments (SPA-JSON) for a loopback named node between the ends.
// Names are quoted whatever they hold, so that a device name cannot add properties.
QByteArray LoopbackArguments(const LoopbackEnds& ends, const QByteArray& node);

// A node name no other loopback has: the program's and a count of its own.
QByteArray UniqueLoopbackNode();
