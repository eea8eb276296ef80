#include "support/open_close_cycles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "desktop/event_loop_wait.h"
#include "resources/resource_ids.h"
#include "support/karaoke_files.h"
#include "support/main_dialog_fixture.h"

CycleSongs::CycleSongs() {
    video_ = maker_.OggVideo("film.ogg", 75, true);
    const QString audio = maker_.OggVorbis("inner.ogg", 30);
    QFile inner(audio);
    QByteArray graphics =
        cdg::LoadColors(false, {cdg::Rgb4{0, 0, 0}, cdg::Rgb4{0, 15, 0}}) + cdg::MemoryPreset(1);
    graphics += QByteArray(900 * 24 - graphics.size(), '\0');
    zipSong_ = maker_.Path("song.zip");
    ready_ = QFile::exists(video_) && inner.open(QIODevice::ReadOnly) &&
             WriteFile(zipSong_,
                       zip::Archive({{"Hit.cdg", graphics, true}, {"Hit.ogg", inner.readAll()}}));
}

bool OpenAndClose(MainDialogFixture& window, const QString& path) {
    window.fake.fileDialogs->answers.push_back(path);
    window.dialog->OnCommand(IDC_OPEN);
    const bool opened = window.dialog->playback().mediaPath() == path;
    window.dialog->OnCommand(IDC_CLOSE_MEDIA);
    RunEventLoopFor(20);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return opened;
}

int OpenFileCount() {
    return static_cast<int>(QDir("/proc/self/fd")
                                .entryList(QDir::NoDotAndDotDot | QDir::System | QDir::AllEntries)
                                .size());
}

long ResidentKilobytes() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').front().toLong();
    }
    return -1;
}
