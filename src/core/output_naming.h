#pragma once

#include <QString>
#include <optional>

// The folder part of a path up to and including its last '/', or "" when it has none.
QString FolderOf(const QString& path);

// The name shown for a media path: the whole text for a URL (a colon at index 3 or 4),
// else the file name with its extension. Nothing for an empty path.
std::optional<QString> DisplayNameOf(const QString& path);

// The WAV name for a media path: the file name of its display name cut at the last dot,
// plus ".wav".
QString WavNameFor(const QString& mediaPath);

// The output path for a file chosen in the save dialog: its extension, if the file name
// has one, replaced by ".wav".
QString WavPathFor(const QString& chosenPath);

// The folder the save dialog opens in for the current output path.
QString BrowseStartFolderOf(const QString& outputPath);

// The home folder with a trailing '/': where recordings go when nothing better is known.
QString HomeFolder();
