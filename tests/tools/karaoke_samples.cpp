// Writes one karaoke song of each kind into a folder, for the screenshots:
// song.cdg with song.ogg, night.kar, and words.lrc with words.ogg.
#include <QApplication>
#include <QDir>
#include <cstdio>

#include "support/karaoke_files.h"
#include "support/media_maker.h"

namespace {

bool WriteTone(const QString& path, int tenths) {
    return MediaMaker::Launch(
        QStringLiteral("audiotestsrc num-buffers=%1 samplesperbuffer=4410 volume=0.3 ! "
                       "audio/x-raw,rate=44100,channels=2 ! vorbisenc ! oggmux ! "
                       "filesink location=%2")
            .arg(tenths)
            .arg(path));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);  // fonts for drawing the CD+G lyrics
    if (argc != 2) {
        std::fprintf(stderr, "usage: karaoke_samples <folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(".")) return 1;
    const QStringList lines = {"Sing along with Tarvelo", "every word in its time",
                               "the night is young", "and so are we"};
    const bool written = WriteFile(folder.filePath("song.cdg"), song::CdgLyrics(lines, 12)) &&
                         WriteTone(folder.filePath("song.ogg"), 120) &&
                         WriteFile(folder.filePath("night.kar"), song::Kar()) &&
                         WriteFile(folder.filePath("words.lrc"), song::Lrc()) &&
                         WriteTone(folder.filePath("words.ogg"), 40);
    return written ? 0 : 1;
}
