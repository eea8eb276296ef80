#include "core/output_naming.h"

#include <QDir>

QString FolderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QString() : path.left(slash + 1);
}

std::optional<QString> DisplayNameOf(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    if ((path.size() > 3 && path[3] == ':') || (path.size() > 4 && path[4] == ':')) return path;
    return path.mid(path.lastIndexOf('/') + 1);
}

QString WavNameFor(const QString& mediaPath) {
    // A URL is shown whole, but its slashes would make folders of the output name.
    QString name = DisplayNameOf(mediaPath).value_or(QString()).section('/', -1);
    const qsizetype dot = name.lastIndexOf('.');
    if (dot >= 0) name.truncate(dot);
    return name + ".wav";
}

QString WavPathFor(const QString& chosenPath) {
    const qsizetype nameStart = chosenPath.lastIndexOf('/') + 1;
    const qsizetype dot = chosenPath.lastIndexOf('.');
    return (dot >= nameStart ? chosenPath.left(dot) : chosenPath) + ".wav";
}

QString BrowseStartFolderOf(const QString& outputPath) {
    const qsizetype slash = outputPath.lastIndexOf('/');
    if (slash < 0) return QStringLiteral(".");
    // A file in the root folder opens the dialog in the root, not in the current folder.
    return slash == 0 ? QStringLiteral("/") : outputPath.left(slash);
}

QString HomeFolder() {
    return QDir::homePath() + '/';
}
