#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>

#include "gst/gst_appsink_relay.h"
#include "gst/gst_handles.h"
#include "gst/video_picture.h"

// One media file played through playbin: video to an appsink whose frames are handed out
// as images, audio through a vocal cut, a key, a balance and a volume stage to the default
// output. Call it from the UI thread only.
class GstPlaybackPipeline : public QObject {
    Q_OBJECT
  public:
    using Nanoseconds = std::chrono::nanoseconds;

    explicit GstPlaybackPipeline(QObject* parent = nullptr);
    ~GstPlaybackPipeline() override;

    // Loads the file (or URI) and holds it paused at its start, its first frame shown.
    // False when it does not preroll within the bound, or carries neither audio nor video.
    bool open(const QString& path);
    bool isOpen() const { return static_cast<bool>(playbin_); }
    bool hasVideo() const { return hasVideo_; }
    bool hasAudio() const { return hasAudio_; }
    // The video's size; invalid without video or before its format is known.
    QSize videoSize() const;

    bool play();
    bool pause();
    // A flushing seek, clamped to the end; playing goes on from there, paused shows it.
    bool seek(Nanoseconds position);
    bool setRate(double rate);
    std::optional<Nanoseconds> position() const;
    std::optional<Nanoseconds> duration() const;

    // Linear gain, 0 silent to 1 full.
    void setVolume(double gain);
    // -1 left only to 1 right only.
    void setBalance(double balance);
    // Semitones up (down when negative), the tempo kept.
    void setKey(int semitones);
    // A factor of the song's own tempo, the key kept; pictures follow it, positions and the
    // duration stay in the song's time.
    bool setTempo(double factor);
    // Takes out what is panned to the centre of a stereo song.
    void setVocalCut(bool on);

  signals:
    // Emitted on GStreamer's streaming thread: connect queued unless the receiver is
    // thread-safe. Nothing is emitted once the pipeline is being destroyed.
    void endOfStream();
    void error(const QString& message);
    // Emitted on the UI thread, with each frame in the decoder's own format.
    void videoFrame(std::shared_ptr<const VideoPicture> picture);

  private:
    struct BusWatch;

    bool Build(const QString& path);
    bool Preroll();
    void OpenAudioOutputAfresh();
    void Close();
    bool SeekTo(Nanoseconds position, double rate, bool accurate = false);
    double PlayingRate() const { return rate_ * tempo_; }
    void OnVideoSample(GstSample* sample);
    static GstBusSyncReply OnSyncMessage(GstBus* bus, GstMessage* message, gpointer data);

    GstElementPtr playbin_;
    GstElementPtr videoSink_;
    GstElementPtr vocalCut_;
    GstElementPtr key_;
    GstElementPtr panorama_;
    GstElementPtr volume_;
    GstElementPtr outputFormat_;
    // The stream parser that reckons the length of songs that do not state it.
    GstElementPtr parser_;
    std::shared_ptr<BusWatch> busWatch_;
    GstAppSinkRelay frames_;
    bool hasVideo_ = false;
    bool hasAudio_ = false;
    double rate_ = 1.0;
    double tempo_ = 1.0;
    // Whether the audio output has been opened for playing since the file opened.
    bool outputPlayed_ = false;
    Nanoseconds soughtPlace_{0};
};
