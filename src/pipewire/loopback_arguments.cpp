#include "pipewire/loopback_arguments.h"

#include <unistd.h>

#include <atomic>

namespace {

// About 2.7 ms a graph cycle at 48 kHz: the voice is heard within a cycle or two, and the
// graph does not wake more often than a few hundred times a second for it.
constexpr const char* kLatency = "128/48000";

QByteArray Quoted(const QByteArray& text) {
    QByteArray quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

}  // namespace

QByteArray LoopbackArguments(const LoopbackEnds& ends, const QByteArray& node) {
    const QByteArray positions = ends.channels == 1 ? "[ MONO ]" : "[ FL FR ]";
    // The microphone, or nothing: a capture moved elsewhere when the microphone goes
    // would play the output back into itself. The playback follows the output as any
    // stream does, and the program moves it where the song plays.
    return "{ node.name = " + Quoted(node) + " node.description = " + Quoted(ends.playbackName) +
           " node.latency = " + kLatency +
           " audio.channels = " + QByteArray::number(ends.channels) +
           " audio.position = " + positions +
           " capture.props = { target.object = " + Quoted(ends.source) +
           " node.dont-reconnect = true media.name = " + Quoted(ends.captureName) + " }" +
           " playback.props = { target.object = " + Quoted(ends.sink) +
           " media.name = " + Quoted(ends.playbackName) + " } }";
}

QByteArray UniqueLoopbackNode() {
    static std::atomic<int> made{0};
    return "tarvelo-playthrough-" + QByteArray::number(getpid()) + '-' + QByteArray::number(made++);
}
