#pragma once

#include <QByteArray>
#include <functional>
#include <memory>

#include "pipewire/loopback_arguments.h"

// The microphone played into an output by PipeWire itself, where the sound server is
// PipeWire: its loopback module, loaded into a PipeWire connection of this process, hands
// the voice on within the graph cycle that brought it, where a pair of PulseAudio-protocol
// streams waits at least two of the pulse server's larger cycles. Its nodes belong to this
// process's connection, so they end with the program, even when it is killed.
class PipeWireLoopback {
  public:
    // Nothing where PipeWire cannot be reached or does not load the module. ended is
    // called on PipeWire's thread once the loopback has ended by itself (the microphone
    // went, the connection broke), never after the destructor has begun.
    static std::unique_ptr<PipeWireLoopback> Start(const LoopbackEnds& ends,
                                                   std::function<void()> ended);
    ~PipeWireLoopback();
    PipeWireLoopback(const PipeWireLoopback&) = delete;
    PipeWireLoopback& operator=(const PipeWireLoopback&) = delete;

    // The playback stream's node name, which the sound server's stream carries as "node.name".
    const QByteArray& playbackNode() const { return playbackNode_; }

  private:
    struct Graph;
    PipeWireLoopback();

    QByteArray playbackNode_;
    std::unique_ptr<Graph> graph_;
};
