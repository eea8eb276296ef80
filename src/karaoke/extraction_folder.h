#pragma once

#include <QString>

// MP3+G songs are unpacked into one private folder per run (mode 0700) in the system's
// temporary folder, named after the program and the process id; each song unpacks into a
// folder of its own inside it, which goes with the song.

// This run's folder, made on first use; empty when it cannot be made. It is removed, with
// whatever is left in it, when the program ends.
QString ExtractionRunFolder();

// Removes the folders that runs which have ended without removing theirs (killed or
// crashed) left behind.
void RemoveStaleExtractionFolders();
