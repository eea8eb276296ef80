#pragma once

#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

#include <gst/app/gstappsink.h>

#include "platform/gst_handles.h"
#include "platform/result_codes.h"
#include "platform/wav_file_writer.h"

// One recording: the sound server's source, converted to 16-bit PCM at the source's
// rate and channel count, streamed into a WAV file by the streaming thread. Every wait
// is bounded; the file is complete whenever the recording ends, however it ends.
class GstWavRecording {
  public:
    // failed runs on the streaming thread, once, when the file cannot be written.
    using WriteFailed = std::function<void(HRESULT)>;

    struct Source {
        QString device;
        int rate = 0;
        int channels = 0;
    };

    GstWavRecording(Source source, QString path, WriteFailed failed,
                    std::uint64_t classicDataLimit = WavFileWriter::kClassicDataLimit);
    ~GstWavRecording();

    // Opens the file and starts capturing; fails when either cannot be done. Returns once
    // the first samples are in the file (or firstSampleMs passed), so that whatever
    // starts after it is recorded from its beginning.
    HRESULT Start(int timeoutMs, int firstSampleMs);
    // Waits until the file holds the audio up to now (servers hand some out in blocks),
    // ends the stream, waits until its tail is in the file, and stops; each wait bounded.
    HRESULT StopWhenReady(int timeoutMs);
    // From now on nothing more reaches the file: the source is gone, and whatever the
    // server sends in its place does not belong in the recording.
    void Seal() { sealed_ = true; }
    const Source& source() const { return source_; }

    // When the first captured samples reached the file; epoch when none have yet.
    std::chrono::steady_clock::time_point firstSampleTime() const;

  private:
    static GstFlowReturn OnSample(GstAppSink* sink, gpointer self);
    static void OnEos(GstAppSink* sink, gpointer self);
    static GstBusSyncReply OnBusMessage(GstBus* bus, GstMessage* message, gpointer self);
    void Signal();
    void Halt();

    Source source_;
    QString path_;
    WriteFailed failed_;
    WavFileWriter writer_;
    GstElementPtr pipeline_;
    std::mutex mutex_;
    std::condition_variable ended_;
    bool streamEnded_ = false;  // end of stream reached the file, or the stream failed
    bool sampled_ = false;      // the first samples reached the file
    std::atomic<bool> writeFailed_{false};
    std::atomic<bool> sealed_{false};
    std::atomic<std::int64_t> firstSampleNs_{0};
    std::atomic<std::uint64_t> bytesWritten_{0};
    std::chrono::steady_clock::time_point started_;
};
