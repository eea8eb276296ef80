#include "karaoke/lrc_reader.h"

#include <algorithm>
#include <optional>

#include "karaoke/legacy_text.h"

namespace {

// A line repeated by many time tags multiplies its text; these bounds keep a hostile file
// from turning a few bytes into gigabytes.
constexpr std::size_t kMaxLines = 20000;
constexpr qsizetype kMaxTotalChars = 4 * 1024 * 1024;
constexpr std::int64_t kMaxOffsetMs = 24LL * 3600 * 1000;

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Reads up to maxDigits digits at pos; nothing when there is no digit.
std::optional<std::int64_t> ReadNumber(QStringView text, qsizetype& pos, int maxDigits,
                                       int* digitCount = nullptr) {
    std::int64_t value = 0;
    int digits = 0;
    while (pos < text.size() && IsDigit(text[pos]) && digits < maxDigits) {
        value = value * 10 + (text[pos].unicode() - u'0');
        ++pos;
        ++digits;
    }
    if (digitCount) *digitCount = digits;
    if (digits == 0) return std::nullopt;
    return value;
}

// "mm:ss", "mm:ss.f" with one to six fraction digits, or "mm:ss:ff" as some editors write.
std::optional<LyricTimeUs> ParseTime(QStringView text) {
    qsizetype pos = 0;
    const auto minutes = ReadNumber(text, pos, 6);
    if (!minutes || pos >= text.size() || text[pos] != u':') return std::nullopt;
    ++pos;
    const auto seconds = ReadNumber(text, pos, 2);
    if (!seconds || *seconds >= 60) return std::nullopt;
    std::int64_t micros = 0;
    if (pos < text.size() && (text[pos] == u'.' || text[pos] == u':')) {
        ++pos;
        int digits = 0;
        const auto fraction = ReadNumber(text, pos, 6, &digits);
        if (!fraction) return std::nullopt;
        micros = *fraction;
        for (int i = digits; i < 6; ++i) micros *= 10;
    }
    if (pos != text.size()) return std::nullopt;
    return (*minutes * 60 + *seconds) * 1'000'000 + micros;
}

struct IdTags {
    QString title;
    QString artist;
    std::int64_t offsetMs = 0;
};

// "key:value" with a key of letters; false when the tag is not of that form.
bool ReadIdTag(QStringView tag, IdTags& tags) {
    const qsizetype colon = tag.indexOf(u':');
    if (colon <= 0) return false;
    const QStringView key = tag.first(colon);
    if (!std::all_of(key.begin(), key.end(), [](QChar c) { return c.isLetter(); })) return false;
    const QString value = tag.sliced(colon + 1).trimmed().toString();
    const QString name = key.toString().toLower();
    if (name == u"ti") {
        tags.title = value;
    } else if (name == u"ar") {
        tags.artist = value;
    } else if (name == u"offset") {
        bool ok = false;
        const qlonglong ms = value.toLongLong(&ok);
        if (ok) tags.offsetMs = std::clamp<std::int64_t>(ms, -kMaxOffsetMs, kMaxOffsetMs);
    }
    return true;
}

// The text of a line after its time tags, split at enhanced "<mm:ss.xx>" word times.
LyricLine ReadWords(QStringView text, LyricTimeUs lineStart) {
    LyricLine line;
    line.startUs = lineStart;
    LyricTimeUs wordStart = lineStart;
    bool wordTimed = false;
    QString word;
    for (qsizetype pos = 0; pos < text.size();) {
        if (text[pos] == u'<') {
            const qsizetype close = text.indexOf(u'>', pos);
            if (close > pos) {
                if (const auto time = ParseTime(text.sliced(pos + 1, close - pos - 1))) {
                    if (!word.isEmpty()) line.syllables.push_back({wordStart, word});
                    word.clear();
                    wordStart = *time;
                    wordTimed = true;
                    pos = close + 1;
                    continue;
                }
            }
        }
        word += text[pos++];
    }
    if (!word.isEmpty()) {
        line.syllables.push_back({wordStart, word});
    } else if (wordTimed) {
        // A time after the last word marks where the line ends.
        line.endUs = wordStart;
    }
    line.wordTimed = wordTimed;
    return line;
}

void ApplyOffset(std::vector<LyricLine>& lines, std::int64_t offsetMs) {
    // A positive offset makes the lyrics come sooner.
    const LyricTimeUs shift = offsetMs * 1000;
    const auto shifted = [shift](LyricTimeUs time) {
        return std::max<LyricTimeUs>(0, time - shift);
    };
    for (LyricLine& line : lines) {
        line.startUs = shifted(line.startUs);
        if (line.endUs != kUnknownTime) line.endUs = shifted(line.endUs);
        for (LyricSyllable& syllable : line.syllables) syllable.startUs = shifted(syllable.startUs);
    }
}

std::vector<QStringView> SplitLines(QStringView text) {
    std::vector<QStringView> lines;
    qsizetype start = 0;
    for (qsizetype pos = 0; pos < text.size(); ++pos) {
        if (text[pos] != u'\r' && text[pos] != u'\n') continue;
        lines.push_back(text.sliced(start, pos - start));
        if (text[pos] == u'\r' && pos + 1 < text.size() && text[pos + 1] == u'\n') ++pos;
        start = pos + 1;
    }
    if (start < text.size()) lines.push_back(text.sliced(start));
    return lines;
}

}  // namespace

Lyrics ReadLrc(QByteArrayView bytes) {
    const QString text = DecodeLegacyText(bytes);
    Lyrics lyrics;
    IdTags tags;
    qsizetype totalChars = 0;
    for (QStringView rest : SplitLines(text)) {
        std::vector<LyricTimeUs> times;
        for (rest = rest.trimmed(); rest.startsWith(u'['); rest = rest.trimmed()) {
            const qsizetype close = rest.indexOf(u']');
            if (close < 0) break;
            const QStringView tag = rest.sliced(1, close - 1);
            if (const auto time = ParseTime(tag)) {
                times.push_back(*time);
            } else if (!times.empty() || !ReadIdTag(tag, tags)) {
                break;
            }
            rest = rest.sliced(close + 1);
        }
        for (LyricTimeUs time : times) {
            if (lyrics.lines.size() >= kMaxLines || totalChars > kMaxTotalChars) break;
            totalChars += rest.size();
            lyrics.lines.push_back(ReadWords(rest, time));
        }
    }
    ApplyOffset(lyrics.lines, tags.offsetMs);
    std::stable_sort(lyrics.lines.begin(), lyrics.lines.end(),
                     [](const LyricLine& a, const LyricLine& b) { return a.startUs < b.startUs; });
    lyrics.title = tags.title;
    lyrics.artist = tags.artist;
    return lyrics;
}
