#pragma once

#include <QString>
#include <QTemporaryDir>

// Writes test media with gst-launch-1.0 into a folder of its own that goes with it.
class MediaMaker {
  public:
    MediaMaker();
    QString Path(const QString& name) const { return folder_.filePath(name); }

    // Tone of hz (stereo, 48 kHz) lasting tenths / 10 seconds.
    QString OggVorbis(const QString& name, int tenths, int hz = 440);
    QString Wav(const QString& name, int tenths, int hz = 440);
    // Constant bitrate, without the header that states the length, as most such MP3s are.
    QString Mp3(const QString& name, int tenths, int hz = 440);
    // Solid red video at 25 frames a second, width x height, frames long, with or without a
    // tone as long as the video.
    QString OggVideo(const QString& name, int frames, bool withAudio, int width = 320,
                     int height = 240);
    // Files no player can play.
    QString Garbage(const QString& name, int bytes);
    QString Empty(const QString& name);
    QString Text(const QString& name);
    // The first half of a playable file.
    QString Truncated(const QString& name, const QString& source);

    // Runs a gst-launch-1.0 description; false when it failed or took over 60 s.
    static bool Launch(const QString& description);

  private:
    QTemporaryDir folder_;
};
