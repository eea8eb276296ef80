#pragma once

#include <QImage>
#include <QString>
#include <optional>
#include <vector>

#include "gst/gst_handles.h"

// Writes a sine tone of the given length through an encoder description such as "wavenc",
// "lamemp3enc ! xingmux", "vorbisenc ! oggmux" or "flacenc".
bool WriteTone(const QString& path, double seconds, const char* encoder);

// Audio as the song played it: the first channel, and the song's time of its first sample.
struct PlayedAudio {
    std::vector<double> samples;
    int rate = 0;
    gint64 startNs = 0;
};

// A playbin on a URI whose video and audio end in appsinks on the clock that the test
// reads. Every wait is bounded.
class TestPlaybin {
  public:
    explicit TestPlaybin(const QString& uri);
    ~TestPlaybin();
    TestPlaybin(const TestPlaybin&) = delete;
    TestPlaybin& operator=(const TestPlaybin&) = delete;

    // Pauses and waits for the first frame or an error; the error text goes to error.
    bool Preroll(QString* error = nullptr);
    int StreamCount(const char* property) const;
    std::optional<gint64> DurationNs() const;
    gint64 PositionNs() const;
    // The frame shown while paused.
    std::optional<QImage> PausedFrame();
    // A flushing, accurate seek, waiting for the new frame.
    bool Seek(gint64 positionNs);
    bool Play();
    // The next frame as it is shown while playing, with its time; nothing at the end.
    std::optional<std::pair<QImage, gint64>> NextFrame(int timeoutMs = 3000);
    // The next seconds of audio as they are played; nothing when they do not come.
    std::optional<PlayedAudio> NextAudio(double seconds);
    // Waits for the end of the stream; false on error or when the time is up.
    bool WaitForEnd(int timeoutMs);

  private:
    GstMessagePtr Pop(GstClockTime timeout, GstMessageType types) const;
    bool WaitForAsyncDone(QString* error);

    GstElementPtr playbin;
    GstElement* videoSink = nullptr;  // the playbin's
    GstElement* audioSink = nullptr;  // the playbin's
};
