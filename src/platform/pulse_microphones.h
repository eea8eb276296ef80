#pragma once

#include <pulse/context.h>
#include <pulse/glib-mainloop.h>
#include <pulse/introspect.h>
#include <pulse/volume.h>

#include <QByteArray>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

// A capture device's microphone: the source the mixer drives.
struct MicrophoneSource {
    QString deviceName;  // the capture device it belongs to
    QByteArray name;
    std::uint32_t index = PA_INVALID_INDEX;
    pa_sample_spec spec{};
    pa_channel_map channels{};
    pa_cvolume volume{};
    bool mute = false;
};

// The mixer's connection to the sound server, with the capture devices' microphones kept
// current by subscription. Callbacks run on the UI thread (the GLib main context that
// Qt's event loop runs). When the server goes away the list empties and the connection is
// tried again every second.
class PulseMicrophones {
public:
    explicit PulseMicrophones(const QByteArray& applicationName);
    // Waits, bounded, for requests still on their way (a mute given back at close).
    ~PulseMicrophones();

    // Runs the event loop until the first full picture has arrived, at most timeoutMs.
    bool WaitUntilReady(int timeoutMs);
    // One per capture device that has a microphone, in capture-device order: cards by
    // index, then the sources of no card.
    const std::vector<MicrophoneSource>& microphones() const { return microphones_; }
    const MicrophoneSource* Microphone(const QByteArray& name) const;
    void SetVolume(std::uint32_t source, const pa_cvolume& volume);
    void SetMute(std::uint32_t source, bool mute);
    // Null while not connected.
    pa_context* context() const { return ready_ ? context_.get() : nullptr; }

    // A microphone's volume or mute changed in the server, by anyone.
    std::function<void(const QByteArray& source, bool volumeChanged, bool muteChanged)>
        onSourceChanged;
    // A playback stream's volume changed; volume is null when the stream went away.
    std::function<void(std::uint32_t sinkInput, const pa_cvolume* volume)> onSinkInputChanged;

private:
    struct Source {
        MicrophoneSource microphone;
        std::uint32_t card = PA_INVALID_INDEX;
        bool isMicrophone = false;
    };
    struct MainloopFree {
        void operator()(pa_glib_mainloop* mainloop) const { pa_glib_mainloop_free(mainloop); }
    };
    struct ContextUnref {
        void operator()(pa_context* context) const { pa_context_unref(context); }
    };

    void Connect();
    void Disconnect();
    void Lost();
    void Subscribe();
    void FetchDone();
    void Rebuild();
    void StoreSource(Source source);
    void Update(std::uint32_t source, const std::function<void(MicrophoneSource&)>& change);
    static void OnState(pa_context* context, void* self);
    static void OnCard(pa_context* context, const pa_card_info* info, int eol, void* self);
    static void OnSource(pa_context* context, const pa_source_info* info, int eol, void* self);
    static void OnSinkInput(pa_context* context, const pa_sink_input_info* info, int eol,
                            void* self);
    static void OnEvent(pa_context* context, pa_subscription_event_type_t type, std::uint32_t index,
                        void* self);

    QByteArray applicationName_;
    std::unique_ptr<pa_glib_mainloop, MainloopFree> mainloop_;
    std::unique_ptr<pa_context, ContextUnref> context_;
    std::map<std::uint32_t, QString> cards_;  // index -> description
    std::map<std::uint32_t, Source> sources_;
    std::vector<MicrophoneSource> microphones_;
    bool ready_ = false;
    int pendingFetches_ = 0;
    QTimer reconnect_;
    QTimer glibPump_;
};
