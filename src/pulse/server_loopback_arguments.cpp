#include "pulse/server_loopback_arguments.h"

namespace {

// The least the server allows: where the devices need more, or the output runs dry now and
// then, the module raises it by itself.
constexpr const char* kLatencyMsec = "1";

QByteArray Quoted(const QByteArray& text, char quote) {
    QByteArray quoted(1, quote);
    for (const char c : text) {
        if (c == quote || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + quote;
}

// A property list inside an argument: quoted once for the list, once for the argument.
QByteArray Properties(const QByteArray& mediaName, const QByteArray& node) {
    QByteArray properties = "media.name=" + Quoted(mediaName, '\'');
    if (!node.isEmpty()) properties += " node.name=" + Quoted(node, '\'');
    return Quoted(properties, '"');
}

}  // namespace

QByteArray ServerLoopbackArguments(const LoopbackEnds& ends, const QByteArray& node) {
    // The microphone, or nothing: a capture moved elsewhere when the microphone goes would
    // play the output back into itself; the module ends with it instead.
    return "source=" + Quoted(ends.source, '"') + " sink=" + Quoted(ends.sink, '"') +
           " channels=" + QByteArray::number(ends.channels) + " latency_msec=" + kLatencyMsec +
           " source_dont_move=true source_output_properties=" + Properties(ends.captureName, {}) +
           " sink_input_properties=" + Properties(ends.playbackName, node);
}
