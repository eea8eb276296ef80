#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The folders the freedesktop desktop-entry rules search, most important first.
struct XdgDirectories {
    QStringList configDirs;  // $XDG_CONFIG_HOME, then $XDG_CONFIG_DIRS
    QStringList dataDirs;    // $XDG_DATA_HOME, then $XDG_DATA_DIRS
};

XdgDirectories XdgDirectoriesFromEnvironment();

// The Exec line of the desktop entry that the desktop's defaults name for web pages
// (text/html, then http links), or the first such entry of the MIME cache.
std::optional<QString> DefaultBrowserCommand(const XdgDirectories& directories);
