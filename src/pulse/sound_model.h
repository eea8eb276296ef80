#pragma once

#include <QString>
#include <cstdint>
#include <map>
#include <vector>

// What the sound server has, as plain records. Indices are the server's own; they are
// never reused while the server runs.
inline constexpr std::uint32_t kNoIndex = 0xFFFFFFFFu;

struct SoundPort {
    QString name;
    QString description;
    bool available = true;
    bool microphone = false;  // of microphone or headset type
};

struct SoundCard {
    std::uint32_t index = kNoIndex;
    QString name;
    QString description;
};

// A source (capture side) or a sink (playback side).
struct SoundDevice {
    std::uint32_t index = kNoIndex;
    QString name;
    QString description;
    std::uint32_t card = kNoIndex;
    std::uint32_t monitorOfSink = kNoIndex;  // sources only: the sink it monitors
    QString monitorSource;                   // sinks only: the name of their monitor
    QString formFactor;                      // "microphone", "headset", ... or empty
    std::vector<SoundPort> ports;
    QString activePort;
    int rate = 0;
    int channels = 0;
    double volume = 0.0;                        // average of the channels, 1.0 = 100 %
    std::vector<std::uint32_t> channelVolumes;  // the server's steps, 65536 = 100 %
    bool mute = false;
};

struct SoundModel {
    std::map<std::uint32_t, SoundCard> cards;
    std::map<std::uint32_t, SoundDevice> sources;
    std::map<std::uint32_t, SoundDevice> sinks;
    QString defaultSink;
    QString defaultSource;

    const SoundDevice* SourceNamed(const QString& name) const;
    const SoundDevice* SinkNamed(const QString& name) const;
};
