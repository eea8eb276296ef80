#pragma once

#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

#include <gst/app/gstappsink.h>

#include "gst/gst_handles.h"
#include "gst/wav_file_writer.h"
#include "gst/wav_recording.h"
#include "services/result_codes.h"

// One recording: the sound server's source, converted to 16-bit PCM at the source's
// rate and channel count, streamed into a WAV file by the streaming thread. Every wait
// is bounded; the file is complete whenever the recording ends, however it ends.
class GstWavRecording final : public WavRecording {
  public:
    GstWavRecording(Source source, QString path, WriteFailed failed,
                    std::uint64_t classicDataLimit = WavFileWriter::kClassicDataLimit);
    ~GstWavRecording() override;

    HRESULT Start(int timeoutMs, int firstSampleMs) override;
    HRESULT StopWhenReady(int timeoutMs) override;
    void Seal() override { sealed_ = true; }
    const Source& source() const override { return source_; }
    std::chrono::steady_clock::time_point firstSampleTime() const override;
    double peakDecibels() const override { return peakDecibels_; }

  private:
    static GstFlowReturn OnSample(GstAppSink* sink, gpointer self);
    static void OnEos(GstAppSink* sink, gpointer self);
    static GstBusSyncReply OnBusMessage(GstBus* bus, GstMessage* message, gpointer self);
    void Signal();
    void TakeLevel(const GstStructure* report);
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
    std::atomic<double> peakDecibels_{kNoLevel};
    std::chrono::steady_clock::time_point started_;
};
