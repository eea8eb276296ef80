#pragma once

#include <QProcess>
#include <QString>

// The songs the benchmarks play, made by gst-launch-1.0.

// A 1280x720 VP8 clip of a moving ball at 25 frames a second, with a Vorbis tone.
inline QString Video720pPipeline(const QString& path, int seconds) {
    return QString(
               "videotestsrc num-buffers=%1 pattern=ball ! "
               "video/x-raw,width=1280,height=720,framerate=25/1 ! "
               "vp8enc deadline=1 cpu-used=16 target-bitrate=4000000 ! webmmux name=mux ! "
               "filesink location=%2 audiotestsrc num-buffers=%3 samplesperbuffer=4800 ! "
               "audio/x-raw,rate=48000,channels=2 ! vorbisenc ! mux.")
        .arg(seconds * 25)
        .arg(path)
        .arg(seconds * 10);
}

// Runs a gst-launch-1.0 pipeline to its end; whether it succeeded.
inline bool MakeMedia(const QString& pipeline) {
    QProcess launch;
    launch.start("gst-launch-1.0", QStringList{"-q"} + QProcess::splitCommand(pipeline));
    return launch.waitForFinished(600'000) && launch.exitCode() == 0;
}
