#include "core/song_tuning.h"

#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <optional>
#include <vector>

#include "core/settings_store.h"

namespace {

struct Entry {
    QString path;
    Tuning tuning;
};

// One song a line: "<key> <tempo> <path>", the path percent-encoded so that no character
// of it can end the line.
QString LineOf(const Entry& entry) {
    return QStringLiteral("%1 %2 %3")
        .arg(entry.tuning.key)
        .arg(entry.tuning.tempo)
        .arg(QString::fromLatin1(QUrl::toPercentEncoding(entry.path, "/")));
}

std::optional<Entry> EntryOf(const QString& line) {
    const QStringList fields = line.split(' ');
    if (fields.size() != 3) return std::nullopt;
    bool keyRead = false;
    bool tempoRead = false;
    Entry entry;
    entry.tuning.key = fields[0].toInt(&keyRead);
    entry.tuning.tempo = fields[1].toInt(&tempoRead);
    entry.path = QUrl::fromPercentEncoding(fields[2].toLatin1());
    // A hand-edited value out of range counts as not remembered.
    const Tuning& t = entry.tuning;
    if (!keyRead || !tempoRead || entry.path.isEmpty() || t.key < Tuning::kLowestKey ||
        t.key > Tuning::kHighestKey || t.tempo < Tuning::kSlowestTempo ||
        t.tempo > Tuning::kFastestTempo)
        return std::nullopt;
    return entry;
}

std::vector<Entry> Load(SettingsStore& settings) {
    std::vector<Entry> entries;
    const QString stored = settings.ReadString(kSongTuningSection, kSongTuningValue, {});
    for (const QString& line : stored.split('\n', Qt::SkipEmptyParts)) {
        if (std::optional<Entry> entry = EntryOf(line)) entries.push_back(*entry);
    }
    return entries;
}

}  // namespace

Tuning Tuning::WithKeyStep(int steps) const {
    Tuning moved = *this;
    moved.key = std::clamp(key + steps, kLowestKey, kHighestKey);
    return moved;
}

Tuning Tuning::WithTempoStep(int steps) const {
    Tuning moved = *this;
    moved.tempo = std::clamp(tempo + steps * kTempoStep, kSlowestTempo, kFastestTempo);
    return moved;
}

QString CaptionOf(const Tuning& tuning) {
    QStringList parts;
    if (tuning.key != 0)
        parts << QStringLiteral("Key %1%2").arg(tuning.key > 0 ? "+" : "").arg(tuning.key);
    if (tuning.tempo != 100) parts << QStringLiteral("Tempo %1 %").arg(tuning.tempo);
    if (tuning.vocalCut) parts << QStringLiteral("Vocal cut");
    return parts.join("  ");
}

Tuning SongTuningMemory::Recall(const QString& songPath) {
    for (const Entry& entry : Load(settings_)) {
        if (entry.path == songPath) return entry.tuning;
    }
    return {};
}

void SongTuningMemory::Remember(const QString& songPath, const Tuning& tuning) {
    std::vector<Entry> entries = Load(settings_);
    std::erase_if(entries, [&](const Entry& entry) { return entry.path == songPath; });
    if (!tuning.KeyAndTempoAtDefaults()) entries.insert(entries.begin(), {songPath, tuning});
    if (entries.size() > kSongs) entries.resize(kSongs);
    QStringList lines;
    for (const Entry& entry : entries) lines << LineOf(entry);
    settings_.WriteString(kSongTuningSection, kSongTuningValue, lines.join('\n'));
}
