#pragma once

#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <gst/app/gstappsink.h>

#include "gst/aligned_mix.h"
#include "gst/gst_handles.h"
#include "gst/song_tap.h"
#include "gst/voice_clock.h"
#include "gst/wav_file_writer.h"
#include "gst/wav_recording.h"

// The song as heard and the singer's voice, mixed in time into one WAV file (and the voice
// alone into another, when asked): the song comes from the playback pipeline's tap, the
// voice from the microphone, and a thread of the recording's own places, mixes and writes
// them. Without a microphone, or once it goes, the song is recorded alone.
class GstAlignedRecording final : public WavRecording, private SongListener {
  public:
    GstAlignedRecording(Source microphone, QString path, AlignedRecordingOptions options,
                        WriteFailed failed, std::uint64_t classicDataLimit);
    ~GstAlignedRecording() override;

    HRESULT Start(int timeoutMs, int firstSampleMs) override;
    HRESULT StopWhenReady(int timeoutMs) override;
    // The microphone is gone: its voice ends here, the song goes on.
    void Seal() override;
    const Source& source() const override { return microphone_; }
    double peakDecibels() const override;
    std::chrono::steady_clock::time_point firstSampleTime() const override;
    StreamLatencies latencies() const override;
    bool keepsOnWithoutSource() const override { return true; }

  private:
    void OnSongBlock(const SongBlock& block) override;
    void OnSongClock(const SongClock& clock) override;
    bool StartMicrophone(int timeoutMs);
    void StopMicrophone();
    static GstFlowReturn OnVoiceSample(GstAppSink* sink, gpointer self);
    static GstBusSyncReply OnBusMessage(GstBus* bus, GstMessage* message, gpointer self);
    void RunWriter();
    void WriteOut(std::span<const std::int16_t> mix, std::span<const std::int16_t> voice);
    bool OpenFiles(SongFormat format);

    Source microphone_;
    QString path_;
    AlignedRecordingOptions options_;
    WriteFailed failed_;
    WavFileWriter mixFile_;
    WavFileWriter voiceFile_;
    SongFormat fileFormat_;
    GstElementPtr pipeline_;
    GstElementPtr capture_;
    std::mutex mutex_;
    std::condition_variable changed_;
    AlignedMix mix_;
    VoiceClock voiceClock_;  // the microphone's streaming thread alone
    bool stopping_ = false;
    std::thread writer_;
    std::atomic<bool> writeFailed_{false};
    std::atomic<bool> sealed_{false};
    std::atomic<double> peak_{0};
    std::atomic<std::int64_t> firstSampleNs_{0};
    std::atomic<std::int64_t> outputLatencyNs_{-1};
    std::atomic<std::int64_t> captureLatencyNs_{-1};
};
