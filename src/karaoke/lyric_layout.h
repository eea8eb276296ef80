#pragma once

#include <QString>
#include <vector>

#include "karaoke/lyrics.h"

// One row of the lyrics display.
struct LyricRow {
    QString text;  // empty for the gap before a new paragraph
    // How much of the text is sung, in characters from the left; fractions wipe through
    // the syllable being sung.
    double sungCharacters = 0;
    bool current = false;

    bool operator==(const LyricRow&) const = default;
};

// The rows shown at a time, at most maxRows: the line being sung with the line before it
// and the lines to come. A new paragraph follows an empty row, and once it is being sung
// the previous paragraph is no longer shown. Before the first line the first lines show
// with nothing sung.
std::vector<LyricRow> LyricRowsAt(const Lyrics& lyrics, LyricTimeUs timeUs, int maxRows);

// How many characters of a line are sung at a time. A word-timed line wipes through each
// syllable from its start to the next syllable's (at most a couple of seconds); a plain
// line counts as sung from its start. nextLineStartUs may be kUnknownTime.
double SungCharacters(const LyricLine& line, LyricTimeUs nextLineStartUs, LyricTimeUs timeUs);
