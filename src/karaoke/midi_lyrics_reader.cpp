#include "karaoke/midi_lyrics_reader.h"

#include <map>

#include "karaoke/legacy_text.h"
#include "karaoke/midi_file.h"

namespace {

// Text events of a plain MIDI file are often remarks (copyright, instruments); a track
// counts as sung text only with KAR markers or this many events.
constexpr int kMinUnmarkedTextEvents = 8;

enum class Break { None, Line, Paragraph };

bool IsHeader(const QByteArray& text) {
    return text.startsWith('@');
}

bool HasLayoutMarker(const QByteArray& text) {
    return text.startsWith('/') || text.startsWith('\\');
}

// The events that carry the song: the track and event type with the most of them.
std::vector<const MidiTextEvent*> ChooseSungEvents(const MidiFile& file) {
    bool karaoke = false;
    std::map<std::pair<std::uint8_t, int>, std::vector<const MidiTextEvent*>> candidates;
    std::map<int, bool> markedTracks;
    for (const MidiTextEvent& event : file.textEvents) {
        if (event.type == kMidiText && IsHeader(event.text)) {
            karaoke = true;
            continue;
        }
        if (event.type == kMidiText && HasLayoutMarker(event.text))
            markedTracks[event.track] = true;
        candidates[{event.type, event.track}].push_back(&event);
    }
    std::vector<const MidiTextEvent*> best;
    for (auto& [key, events] : candidates) {
        const auto [type, track] = key;
        const bool plausible = type == kMidiLyric || karaoke || markedTracks[track] ||
                               events.size() >= kMinUnmarkedTextEvents;
        if (plausible && events.size() > best.size()) best = std::move(events);
    }
    return best;
}

QString Header(const MidiFile& file, bool utf8, int occurrence) {
    for (const MidiTextEvent& event : file.textEvents) {
        if (event.type != kMidiText || !event.text.startsWith("@T")) continue;
        if (occurrence-- > 0) continue;
        const QByteArrayView value = QByteArrayView(event.text).sliced(2);
        return (utf8 ? QString::fromUtf8(value) : DecodeWindows1252(value)).trimmed();
    }
    return {};
}

class LineBuilder {
  public:
    explicit LineBuilder(std::vector<LyricLine>& lines) : lines(lines) {}

    void Add(LyricTimeUs time, QString text) {
        for (; text.startsWith(u'\\') || text.startsWith(u'/'); text.remove(0, 1)) {
            Request(text.startsWith(u'\\') ? Break::Paragraph : Break::Line);
        }
        QString piece;
        for (QChar c : text) {
            if (c == u'\r' || c == u'\n') {
                Append(time, piece);
                piece.clear();
                Request(Break::Line);
            } else if (c.isPrint()) {
                piece += c;
            }
        }
        Append(time, piece);
    }

  private:
    void Request(Break kind) { pending = std::max(pending, kind); }

    void Append(LyricTimeUs time, QString piece) {
        if (pending != Break::None || lines.empty()) {
            while (!piece.isEmpty() && piece.front().isSpace()) piece.remove(0, 1);
            if (piece.isEmpty()) return;
            LyricLine line;
            line.startUs = time;
            line.startsParagraph = pending == Break::Paragraph;
            lines.push_back(std::move(line));
            pending = Break::None;
        }
        if (!piece.isEmpty()) lines.back().syllables.push_back({time, piece});
    }

    std::vector<LyricLine>& lines;
    Break pending = Break::None;
};

}  // namespace

Lyrics ReadMidiLyrics(QByteArrayView bytes) {
    Lyrics lyrics;
    const auto file = ParseMidiFile(bytes);
    if (!file) return lyrics;
    const std::vector<const MidiTextEvent*> events = ChooseSungEvents(*file);

    QByteArray allText;
    for (const MidiTextEvent& event : file->textEvents) allText += event.text;
    const bool utf8 = IsValidUtf8(allText);

    const MidiClock clock(*file);
    LineBuilder builder(lyrics.lines);
    for (const MidiTextEvent* event : events) {
        builder.Add(clock.MicrosAt(event->tick),
                    utf8 ? QString::fromUtf8(event->text) : DecodeWindows1252(event->text));
    }
    lyrics.title = Header(*file, utf8, 0);
    lyrics.artist = Header(*file, utf8, 1);
    return lyrics;
}
