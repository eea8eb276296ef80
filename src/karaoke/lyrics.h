#pragma once

#include <QString>
#include <cstdint>
#include <vector>

// Song times in microseconds from the start of the song.
using LyricTimeUs = std::int64_t;

inline constexpr LyricTimeUs kUnknownTime = -1;

// One sung piece of a line: a syllable of a MIDI file, a word of an enhanced LRC line,
// or the whole text of a plain LRC line.
struct LyricSyllable {
    LyricTimeUs startUs = 0;
    QString text;
};

struct LyricLine {
    LyricTimeUs startUs = 0;
    // When the last syllable ends, if the file says so.
    LyricTimeUs endUs = kUnknownTime;
    std::vector<LyricSyllable> syllables;
    bool startsParagraph = false;
    // Plain LRC lines carry no word times: the whole line counts as sung once it starts.
    bool wordTimed = true;

    QString Text() const;
};

// Lines in the order they are sung.
struct Lyrics {
    QString title;
    QString artist;
    std::vector<LyricLine> lines;
};
