#include "desktop/default_browser.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

namespace {

const QStringList kWebPageTypes = {QStringLiteral("text/html"),
                                   QStringLiteral("x-scheme-handler/http")};

QStringList EnvironmentPaths(const char* name, const QString& fallback) {
    const QString value = qEnvironmentVariable(name);
    return (value.isEmpty() ? fallback : value).split(':', Qt::SkipEmptyParts);
}

// The value of key in [group] of a desktop-style key file; nothing when absent.
std::optional<QString> KeyFileValue(const QString& path, const QString& group, const QString& key) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return std::nullopt;
    QTextStream stream(&file);
    bool inGroup = false;
    const QString header = '[' + group + ']';
    while (!stream.atEnd()) {
        const QString line = stream.readLine().trimmed();
        if (line.startsWith('[')) {
            inGroup = line == header;
            continue;
        }
        if (!inGroup) continue;
        const qsizetype equals = line.indexOf('=');
        if (equals > 0 && line.left(equals).trimmed() == key) return line.mid(equals + 1).trimmed();
    }
    return std::nullopt;
}

std::optional<QString> ExecOfDesktopEntry(const QString& desktopId,
                                          const XdgDirectories& directories) {
    for (const QString& dataDir : directories.dataDirs) {
        const QString path = dataDir + QStringLiteral("/applications/") + desktopId;
        if (!QFile::exists(path)) continue;
        const std::optional<QString> exec =
            KeyFileValue(path, QStringLiteral("Desktop Entry"), QStringLiteral("Exec"));
        if (exec && !exec->isEmpty()) return exec;
    }
    return std::nullopt;
}

std::optional<QString> FirstRunnableEntry(const QString& path, const QString& group,
                                          const XdgDirectories& directories) {
    for (const QString& type : kWebPageTypes) {
        const std::optional<QString> ids = KeyFileValue(path, group, type);
        if (!ids) continue;
        for (const QString& id : ids->split(';', Qt::SkipEmptyParts)) {
            if (std::optional<QString> exec = ExecOfDesktopEntry(id.trimmed(), directories))
                return exec;
        }
    }
    return std::nullopt;
}

}  // namespace

XdgDirectories XdgDirectoriesFromEnvironment() {
    const QString home = QDir::homePath();
    XdgDirectories directories;
    directories.configDirs = EnvironmentPaths("XDG_CONFIG_HOME", home + "/.config") +
                             EnvironmentPaths("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
    directories.dataDirs =
        EnvironmentPaths("XDG_DATA_HOME", home + "/.local/share") +
        EnvironmentPaths("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
    return directories;
}

std::optional<QString> DefaultBrowserCommand(const XdgDirectories& directories) {
    QStringList listFiles;
    for (const QString& dir : directories.configDirs) listFiles << dir + "/mimeapps.list";
    for (const QString& dir : directories.dataDirs)
        listFiles << dir + "/applications/mimeapps.list";
    for (const QString& file : listFiles) {
        if (auto exec =
                FirstRunnableEntry(file, QStringLiteral("Default Applications"), directories))
            return exec;
    }
    for (const QString& dir : directories.dataDirs) {
        if (auto exec = FirstRunnableEntry(dir + "/applications/mimeinfo.cache",
                                           QStringLiteral("MIME Cache"), directories))
            return exec;
    }
    return std::nullopt;
}
