#include "karaoke/lyric_layout.h"

#include <algorithm>

namespace {

// A syllable before a long rest would otherwise crawl through the whole rest.
constexpr LyricTimeUs kMaxWipeUs = 2'000'000;

LyricTimeUs SyllableEnd(const LyricLine& line, std::size_t index, LyricTimeUs nextLineStartUs) {
    if (index + 1 < line.syllables.size()) return line.syllables[index + 1].startUs;
    if (line.endUs != kUnknownTime) return line.endUs;
    if (nextLineStartUs != kUnknownTime) return nextLineStartUs;
    return line.syllables[index].startUs + kMaxWipeUs;
}

// Index of the last line started at timeUs, or -1.
int CurrentLine(const Lyrics& lyrics, LyricTimeUs timeUs) {
    const auto after =
        std::upper_bound(lyrics.lines.begin(), lyrics.lines.end(), timeUs,
                         [](LyricTimeUs t, const LyricLine& line) { return t < line.startUs; });
    return static_cast<int>(after - lyrics.lines.begin()) - 1;
}

LyricTimeUs NextLineStart(const Lyrics& lyrics, std::size_t index) {
    return index + 1 < lyrics.lines.size() ? lyrics.lines[index + 1].startUs : kUnknownTime;
}

}  // namespace

double SungCharacters(const LyricLine& line, LyricTimeUs nextLineStartUs, LyricTimeUs timeUs) {
    if (timeUs < line.startUs) return 0;
    if (!line.wordTimed) return line.Text().size();
    double sung = 0;
    for (std::size_t i = 0; i < line.syllables.size(); ++i) {
        const LyricSyllable& syllable = line.syllables[i];
        if (timeUs < syllable.startUs) break;
        const LyricTimeUs wipe = std::clamp<LyricTimeUs>(
            SyllableEnd(line, i, nextLineStartUs) - syllable.startUs, 1, kMaxWipeUs);
        const double fraction =
            std::min(1.0, static_cast<double>(timeUs - syllable.startUs) / wipe);
        sung += fraction * syllable.text.size();
        if (fraction < 1.0) break;
    }
    return sung;
}

std::vector<LyricRow> LyricRowsAt(const Lyrics& lyrics, LyricTimeUs timeUs, int maxRows) {
    std::vector<LyricRow> rows;
    if (lyrics.lines.empty() || maxRows <= 0) return rows;
    const int current = CurrentLine(lyrics, timeUs);
    int first = std::max(0, current - 1);
    if (current >= 0 && lyrics.lines[current].startsParagraph) first = current;

    for (int i = first; i < static_cast<int>(lyrics.lines.size()); ++i) {
        const LyricLine& line = lyrics.lines[i];
        const bool gapFirst = i > first && line.startsParagraph;
        if (static_cast<int>(rows.size()) + (gapFirst ? 2 : 1) > maxRows) break;
        if (gapFirst) rows.push_back({});
        rows.push_back(
            {line.Text(), SungCharacters(line, NextLineStart(lyrics, i), timeUs), i == current});
    }
    return rows;
}
