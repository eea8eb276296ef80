#pragma once

#include <QString>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "gst/wav_file_writer.h"
#include "services/result_codes.h"

// One recording of a sound-server source into a WAV file, as the capture graph sees it:
// no media-framework types, so the graph can stay apart from the framework.
// How the song-and-microphone recording places and keeps the voice.
struct AlignedRecordingOptions {
    // What the sound server cannot know: the way through the air, the singer's ears.
    std::chrono::milliseconds voiceOffset{0};
    QString voicePath;  // where the voice alone goes; empty when it is not kept
    // The input's recording level, 0 to 1, read while recording.
    std::shared_ptr<const std::atomic<double>> level;
};

// The latencies the sound server reports for the song's stream and the microphone's;
// negative while unknown.
struct StreamLatencies {
    std::chrono::nanoseconds output{-1};
    std::chrono::nanoseconds capture{-1};
};

class WavRecording {
  public:
    // failed runs on the streaming thread, once, when the file cannot be written.
    using WriteFailed = std::function<void(HRESULT)>;

    struct Source {
        QString device;
        int rate = 0;
        int channels = 0;
    };

    virtual ~WavRecording() = default;

    // Opens the file and starts capturing; fails when either cannot be done. Returns once
    // the first samples are in the file (or firstSampleMs passed), so that whatever
    // starts after it is recorded from its beginning.
    virtual HRESULT Start(int timeoutMs, int firstSampleMs) = 0;
    // Waits until the file holds the audio up to now (servers hand some out in blocks),
    // ends the stream, waits until its tail is in the file, and stops; each wait bounded.
    virtual HRESULT StopWhenReady(int timeoutMs) = 0;
    // From now on nothing more reaches the file: the source is gone, and whatever the
    // server sends in its place does not belong in the recording.
    virtual void Seal() = 0;
    virtual const Source& source() const = 0;
    // The highest sample of the last 50 ms captured, in decibels of full scale, from the
    // capture's level stage; kNoLevel before any was measured or for digital silence.
    static constexpr double kNoLevel = -1000;
    virtual double peakDecibels() const = 0;
    // When the first captured samples reached the file; epoch when none have yet.
    virtual std::chrono::steady_clock::time_point firstSampleTime() const = 0;
    virtual StreamLatencies latencies() const { return {}; }
    // Whether the recording goes on (with less) once its source is sealed.
    virtual bool keepsOnWithoutSource() const { return false; }
};

std::unique_ptr<WavRecording> MakeWavRecording(
    WavRecording::Source source, QString path, WavRecording::WriteFailed failed,
    std::uint64_t classicDataLimit = WavFileWriter::kClassicDataLimit);

// The song the program plays, as heard, mixed with the voice of microphone (whose device
// is empty when there is none).
std::unique_ptr<WavRecording> MakeAlignedRecording(
    WavRecording::Source microphone, QString path, AlignedRecordingOptions options,
    WavRecording::WriteFailed failed,
    std::uint64_t classicDataLimit = WavFileWriter::kClassicDataLimit);

// Whether the elements a recording needs are installed.
bool CanRecordWav();
