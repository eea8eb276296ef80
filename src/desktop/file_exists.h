#pragma once

#include <QString>

// Whether the path names a file that can be opened for reading now. Folders, missing
// files and files this user may not read all count as absent.
bool FileExists(const QString& path);

// Whether both paths name the same file on the disk, however they are spelt: the same
// device and inode, so a hard link, a symbolic link or a path through ".." counts too.
// A path that names nothing is nobody's file.
bool IsSameFile(const QString& first, const QString& second);
