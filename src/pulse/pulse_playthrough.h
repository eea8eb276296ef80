#pragma once

#include <pulse/context.h>
#include <pulse/stream.h>

#include <QByteArray>
#include <cstdint>

#include "services/c_handle.h"

// The microphone played into the default output by this process itself: a record stream
// on the microphone feeds a playback stream, both on the program's own connection. The
// server removes both when the connection ends, so the playthrough cannot outlive the
// program, not even when it is killed. Callbacks run where the connection's main loop
// runs (the UI thread).
class PulsePlaythrough {
  public:
    PulsePlaythrough(pa_context* context, const QByteArray& sourceName, int rate, int channels,
                     const pa_cvolume& volume);
    ~PulsePlaythrough();
    PulsePlaythrough(const PulsePlaythrough&) = delete;
    PulsePlaythrough& operator=(const PulsePlaythrough&) = delete;

    void SetVolume(const pa_cvolume& volume);
    // The playback stream's index in the server, or PA_INVALID_INDEX until it plays.
    std::uint32_t sinkInput() const;
    // False once either stream has failed or was ended by someone else.
    bool alive() const;

  private:
    // Ends a stream of ours, also one the server is still creating.
    static void EndStream(pa_stream* stream);
    static void EndWhenSettled(pa_stream* stream, void* unused);
    using StreamHandle = CHandle<pa_stream, &PulsePlaythrough::EndStream>;

    static void OnRead(pa_stream* stream, size_t bytes, void* self);
    static void OnPlaybackState(pa_stream* stream, void* self);
    static void OnRecordState(pa_stream* stream, void* self);
    void Forward();
    // Whether a block of the microphone goes to the output or is dropped to keep the
    // delay short.
    bool Takes();
    // What waits in the stream, beyond the device's own delay.
    static pa_usec_t Queued(pa_stream* stream);

    pa_context* context_;
    pa_cvolume volume_;
    pa_usec_t longSince_ = 0;  // since when the queue has been long; 0 while it is not
    StreamHandle record_;
    StreamHandle playback_;
};
