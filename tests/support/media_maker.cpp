#include "support/media_maker.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

namespace {

QString Tone(int tenths, int hz) {
    return QString(
               "audiotestsrc num-buffers=%1 samplesperbuffer=4800 freq=%2 volume=0.5 ! "
               "audio/x-raw,rate=48000,channels=2 ")
        .arg(tenths)
        .arg(hz);
}

QString RedVideo(int frames, int width, int height) {
    return QString(
               "videotestsrc num-buffers=%1 pattern=red ! "
               "video/x-raw,width=%2,height=%3,framerate=25/1 ")
        .arg(frames)
        .arg(width)
        .arg(height);
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

MediaMaker::MediaMaker() = default;

bool MediaMaker::Launch(const QString& description) {
    QProcess process;
    process.start("gst-launch-1.0", QProcess::splitCommand("-q " + description));
    if (!process.waitForFinished(60'000)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString MediaMaker::OggVorbis(const QString& name, int tenths, int hz) {
    const QString path = Path(name);
    Launch(Tone(tenths, hz) + "! vorbisenc ! oggmux ! filesink location=" + path);
    return path;
}

QString MediaMaker::Mp3(const QString& name, int tenths, int hz) {
    const QString path = Path(name);
    Launch(Tone(tenths, hz) +
           "! lamemp3enc target=bitrate cbr=true bitrate=128 ! filesink location=" + path);
    return path;
}

QString MediaMaker::Wav(const QString& name, int tenths, int hz) {
    const QString path = Path(name);
    Launch(Tone(tenths, hz) + "! wavenc ! filesink location=" + path);
    return path;
}

QString MediaMaker::OggVideo(const QString& name, int frames, bool withAudio, int width,
                             int height) {
    const QString path = Path(name);
    QString description = RedVideo(frames, width, height) +
                          "! theoraenc ! oggmux name=mux ! filesink location=" + path;
    // 25 frames a second are 2.5 tenths of a second each.
    if (withAudio) description += ' ' + Tone(frames * 2 / 5, 440) + "! vorbisenc ! mux.";
    Launch(description);
    return path;
}

QString MediaMaker::Garbage(const QString& name, int bytes) {
    // The same noise at every run: fresh noise now and then holds what looks like the
    // start of an MPEG audio stream, and then it plays.
    QRandomGenerator generator(static_cast<quint32>(bytes));
    QByteArray noise(bytes, '\0');
    for (char& byte : noise) byte = static_cast<char>(generator.bounded(256));
    const QString path = Path(name);
    WriteBytes(path, noise);
    return path;
}

QString MediaMaker::Empty(const QString& name) {
    const QString path = Path(name);
    WriteBytes(path, QByteArray());
    return path;
}

QString MediaMaker::Text(const QString& name) {
    const QString path = Path(name);
    WriteBytes(path, QByteArray("This is a letter to the singer, not a song.\n").repeated(40));
    return path;
}

QString MediaMaker::Truncated(const QString& name, const QString& source) {
    QFile file(source);
    const QString path = Path(name);
    if (file.open(QIODevice::ReadOnly)) WriteBytes(path, file.readAll().left(file.size() / 2));
    return path;
}
