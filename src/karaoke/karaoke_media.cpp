#include "karaoke/karaoke_media.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "karaoke/zip_archive.h"

namespace {

const QStringList kCdgExtensions = {QStringLiteral("cdg"), QStringLiteral("bin")};
const QStringList kMidiExtensions = {QStringLiteral("kar"), QStringLiteral("mid"),
                                     QStringLiteral("midi"), QStringLiteral("rmi")};
const QString kLrcExtension = QStringLiteral("lrc");
const QString kZipExtension = QStringLiteral("zip");

QString Extension(const QString& name) {
    return QFileInfo(name).suffix().toLower();
}

QString BaseName(const QString& name) {
    return QFileInfo(name).completeBaseName();
}

bool SameBase(const QString& a, const QString& b) {
    return BaseName(a).compare(BaseName(b), Qt::CaseInsensitive) == 0;
}

// The first of names that shares the base name of `like` and has one of extensions,
// taking the extensions in their order of preference.
QString FindPartner(const QStringList& names, const QString& like, const QStringList& extensions) {
    for (const QString& extension : extensions) {
        for (const QString& name : names) {
            if (Extension(name) == extension && SameBase(name, like)) return name;
        }
    }
    return {};
}

QString FindSibling(const QString& path, const QStringList& extensions) {
    const QFileInfo info(path);
    const QStringList names = info.dir().entryList(QDir::Files | QDir::Readable);
    const QString name = FindPartner(names, info.fileName(), extensions);
    return name.isEmpty() ? QString() : info.dir().filePath(name);
}

KaraokeMedia ResolveArchive(const QString& path) {
    KaraokeMedia media;
    const auto archive = ZipArchive::Open(path);
    if (!archive) return media;
    QStringList names;
    for (const ZipEntry& entry : archive->Entries()) names << entry.name;
    for (const QString& name : names) {
        if (!kCdgExtensions.contains(Extension(name))) continue;
        const QString audio = FindPartner(names, name, CompanionAudioExtensions());
        if (audio.isEmpty()) continue;
        media = {KaraokeKind::CdgGraphics, audio, name, path};
        break;
    }
    return media;
}

bool ExtractMember(const ZipArchive& archive, const QString& name, const QString& target,
                   qint64 maxBytes) {
    for (const ZipEntry& entry : archive.Entries()) {
        if (entry.name != name) continue;
        if (entry.size > maxBytes) return false;
        QFile out(target);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
            archive.Extract(entry, out, maxBytes)) {
            return true;
        }
        out.remove();
        return false;
    }
    return false;
}

}  // namespace

const QStringList& CompanionAudioExtensions() {
    static const QStringList extensions = {QStringLiteral("mp3"), QStringLiteral("ogg"),
                                           QStringLiteral("wav"), QStringLiteral("flac")};
    return extensions;
}

KaraokeMedia ResolveKaraokeMedia(const QString& path) {
    const QString extension = Extension(path);
    if (kCdgExtensions.contains(extension)) {
        return {KaraokeKind::CdgGraphics, FindSibling(path, CompanionAudioExtensions()), path, {}};
    }
    if (kMidiExtensions.contains(extension)) return {KaraokeKind::MidiLyrics, path, path, {}};
    if (extension == kLrcExtension) {
        return {KaraokeKind::LrcLyrics, FindSibling(path, CompanionAudioExtensions()), path, {}};
    }
    if (extension == kZipExtension) return ResolveArchive(path);
    if (CompanionAudioExtensions().contains(extension)) {
        if (const QString cdg = FindSibling(path, {QStringLiteral("cdg")}); !cdg.isEmpty()) {
            return {KaraokeKind::CdgGraphics, path, cdg, {}};
        }
        if (const QString lrc = FindSibling(path, {kLrcExtension}); !lrc.isEmpty()) {
            return {KaraokeKind::LrcLyrics, path, lrc, {}};
        }
    }
    return {};
}

std::optional<KaraokeMedia> ExtractArchivedPair(const KaraokeMedia& media, const QString& folder,
                                                qint64 maxBytes) {
    const auto archive = ZipArchive::Open(media.archivePath);
    if (!archive) return std::nullopt;
    const QDir target(folder);
    // Member names may hold folders or "..": only the file name is used.
    const QString audio = target.filePath(QFileInfo(media.audioPath).fileName());
    const QString visual = target.filePath(QFileInfo(media.visualPath).fileName());
    if (!ExtractMember(*archive, media.audioPath, audio, maxBytes)) return std::nullopt;
    if (!ExtractMember(*archive, media.visualPath, visual, maxBytes)) {
        QFile::remove(audio);
        return std::nullopt;
    }
    return KaraokeMedia{media.kind, audio, visual, {}};
}
