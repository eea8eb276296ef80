#pragma once

#include <pulse/thread-mainloop.h>
#include <pulse/volume.h>

#include <QByteArray>
#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "pulse/pulse_handles.h"

// The microphone played into the output the song plays on. The server carries it where it
// can, in a loopback that ends with the program (PipeWire's graph, PulseAudio's module
// under a guard); otherwise a record stream on the microphone feeds a playback stream. The
// playthrough has a connection of its own, whose main loop runs on a thread of its own, so
// that a busy or blocked UI thread cannot starve the output: that thread only carries
// samples from one stream to the other, or sets the loopback's volume and output. The
// server ends the streams with the connection, so the playthrough cannot outlive the
// program, not even when it is killed.
class PulsePlaythrough {
  public:
    struct Streams {
        QByteArray source;
        QByteArray sink;
        int rate = 0;
        int channels = 0;
        pa_cvolume volume{};
    };
    // ended is called on receiver's (the UI) thread once either stream has ended;
    // receiver must outlive the playthrough.
    PulsePlaythrough(const QByteArray& applicationName, const Streams& streams, QObject* receiver,
                     std::function<void()> ended);
    ~PulsePlaythrough();
    PulsePlaythrough(const PulsePlaythrough&) = delete;
    PulsePlaythrough& operator=(const PulsePlaythrough&) = delete;

    void SetVolume(const pa_cvolume& volume);
    // Plays into sink from now on; the samples queued go along.
    void MoveTo(const QByteArray& sink);
    // The playback stream's index in the server, or PA_INVALID_INDEX until it plays.
    std::uint32_t sinkInput() const { return sinkInput_; }
    // False once either stream or the connection has failed or was ended.
    bool alive() const { return !ended_; }
    const QByteArray& source() const { return streams_.source; }
    int rate() const { return streams_.rate; }
    int channels() const { return streams_.channels; }

  private:
    struct Forwarder;

    using MainloopHandle = CHandle<pa_threaded_mainloop, pa_threaded_mainloop_free>;

    Streams streams_;
    QObject* receiver_;  // outlives the playthrough
    std::function<void()> onEnded_;
    std::atomic<std::uint32_t> sinkInput_{PA_INVALID_INDEX};
    std::atomic<bool> ended_{false};
    MainloopHandle mainloop_;
    std::unique_ptr<Forwarder> forwarder_;
};
