#pragma once

#include <QString>

// Whether the path names a file that can be opened for reading now. Folders, missing
// files and files this user may not read all count as absent.
bool FileExists(const QString& path);
