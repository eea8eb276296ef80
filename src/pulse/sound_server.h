#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "pulse/sound_model.h"

struct pa_context;

// The one connection to the sound server, with a model of its cards, sources and sinks
// that subscriptions keep current. Callbacks run on the UI thread (the server's events
// arrive through the GLib main context that Qt's event loop runs). When the server goes
// away the model empties and the connection is tried again until the server is back.
class SoundServer : public QObject {
    Q_OBJECT
  public:
    explicit SoundServer(const QString& applicationName);
    ~SoundServer() override;

    // Runs the event loop until the first full model has arrived, at most timeoutMs.
    bool WaitUntilReady(int timeoutMs);
    bool IsReady() const;
    const SoundModel& model() const;

    // Requests to the server; the model follows when the server reports the change.
    void SetSourcePort(std::uint32_t source, const QString& port);
    void SetSourceVolume(std::uint32_t source, double fraction);
    // One volume per channel, in the server's steps (65536 = 100 %).
    void SetSourceVolumes(std::uint32_t source, const std::vector<std::uint32_t>& steps);
    void SetSourceMute(std::uint32_t source, bool mute);
    // For streams of the program's own on this connection; null while not connected.
    pa_context* context() const;

  signals:
    // Once after every burst of changes, and when the connection comes or goes.
    void modelChanged();
    // At once, ahead of the coalesced modelChanged: a recording of that source must stop
    // taking data before the server moves its stream elsewhere.
    void sourceRemoved(const QString& name);
    // A playback stream (of any program) changed or, when removed, went away.
    void sinkInputChanged(std::uint32_t index, bool removed);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
