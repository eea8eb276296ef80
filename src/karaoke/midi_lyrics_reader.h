#pragma once

#include <QByteArrayView>

#include "karaoke/lyrics.h"

// Reads the sung text of a MIDI or KAR file. KAR files carry it as text events with their
// conventions: "@" header lines (the first "@T" is the title, the second the artist), "/"
// before a syllable starts a new line, "\" a new paragraph. Plain MIDI files carry it as
// lyric events, where a carriage return or line feed ends a line. Times follow the tempo
// map. A file without sung text, or no MIDI file at all, gives no lines.
Lyrics ReadMidiLyrics(QByteArrayView bytes);
