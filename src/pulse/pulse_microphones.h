#pragma once

#include <pulse/context.h>
#include <pulse/volume.h>

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "pulse/pulse_handles.h"

class SoundServer;

// A capture device's microphone: the source the mixer drives.
struct MicrophoneSource {
    QString deviceName;  // the capture device it belongs to
    QByteArray name;
    std::uint32_t index = PA_INVALID_INDEX;
    int rate = 0;
    int channels = 0;
    std::vector<std::uint32_t> volumes;  // per channel, the server's steps (65536 = 100 %)
    bool mute = false;
};

// The capture devices' microphones, on the program's one connection to the sound server.
// A value the program writes counts at once, until the server has reported on it.
class PulseMicrophones {
  public:
    explicit PulseMicrophones(SoundServer& server);
    // Waits, bounded, for requests still on their way (a mute given back at close).
    ~PulseMicrophones();
    PulseMicrophones(const PulseMicrophones&) = delete;
    PulseMicrophones& operator=(const PulseMicrophones&) = delete;

    // Runs the event loop until the server's first full picture, at most timeoutMs.
    bool WaitUntilReady(int timeoutMs);
    // One per capture device that has a microphone, in capture-device order.
    const std::vector<MicrophoneSource>& microphones() const { return microphones_; }
    const MicrophoneSource* Microphone(const QByteArray& name) const;
    void SetVolumes(std::uint32_t source, const std::vector<std::uint32_t>& volumes);
    void SetMute(std::uint32_t source, bool mute);
    // Null while not connected.
    pa_context* context() const;
    // The output the song plays on (the default output), or empty.
    QByteArray songOutput() const;

    // A microphone's volume or mute changed in the server, by another program.
    std::function<void(const QByteArray& source, bool volumeChanged, bool muteChanged)>
        onSourceChanged;
    // A playback stream's volume changed; volume is null when the stream went away.
    std::function<void(std::uint32_t sinkInput, const pa_cvolume* volume)> onSinkInputChanged;
    // The server's devices changed (microphones, outputs or the defaults).
    std::function<void()> onDevicesChanged;

  private:
    struct Written {
        std::optional<std::vector<std::uint32_t>> volumes;
        std::optional<bool> mute;
    };
    struct Reported {
        std::vector<std::uint32_t> volumes;
        bool mute = false;
    };

    void Rebuild();
    void AskAboutSinkInput(std::uint32_t index);
    MicrophoneSource* Find(std::uint32_t source);

    SoundServer& server_;
    std::vector<MicrophoneSource> microphones_;
    std::map<QByteArray, Written> written_;
    std::map<QByteArray, Reported> reported_;
    std::vector<PulseOperation> queries_;
    QObject receiver_;  // the server's signals end with this object
};
