#include "karaoke/extraction_folder.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <cerrno>
#include <filesystem>

namespace {

const QString kPrefix = QStringLiteral("tarvelo-songs-");

// The folder of this run: mkdtemp makes it 0700 under a name nobody else can have taken.
class RunFolder {
  public:
    RunFolder() {
        QByteArray name = QFile::encodeName(
            QDir(QDir::tempPath()).filePath(kPrefix + QString::number(::getpid()) + "-XXXXXX"));
        if (::mkdtemp(name.data())) path_ = QFile::decodeName(name);
    }
    ~RunFolder() {
        std::error_code ignored;
        if (!path_.isEmpty()) std::filesystem::remove_all(QFile::encodeName(path_).data(), ignored);
    }
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    const QString& path() const { return path_; }

  private:
    QString path_;
};

// The process that made a folder of that name; 0 when the name is none of ours.
pid_t MakerOf(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^tarvelo-songs-(\\d+)-\\w{6}$"));
    const QRegularExpressionMatch match = pattern.match(name);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

bool HasEnded(pid_t pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// A folder of this user's, not a link that someone else put in its place.
bool IsOwnFolder(const QByteArray& path) {
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::getuid();
}

}  // namespace

QString ExtractionRunFolder() {
    static const RunFolder folder;
    return folder.path();
}

void RemoveStaleExtractionFolders() {
    const QDir temp(QDir::tempPath());
    const QStringList names = temp.entryList({kPrefix + "*"}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const pid_t maker = MakerOf(name);
        const QByteArray path = QFile::encodeName(temp.filePath(name));
        if (maker <= 0 || !HasEnded(maker) || !IsOwnFolder(path)) continue;
        std::error_code ignored;
        std::filesystem::remove_all(path.constData(), ignored);
    }
}
