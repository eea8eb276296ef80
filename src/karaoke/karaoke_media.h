#pragma once

#include <QString>
#include <QStringList>
#include <optional>

enum class KaraokeKind {
    None,         // plays like any other file
    CdgGraphics,  // CD+G subcode beside (or zipped with) its audio
    MidiLyrics,   // MIDI or KAR: synthesised audio, lyrics from its text events
    LrcLyrics,    // timed lyrics beside their audio
};

// The files that make up one karaoke song.
struct KaraokeMedia {
    KaraokeKind kind = KaraokeKind::None;
    // Where the sound comes from; empty when the companion audio file is missing.
    QString audioPath;
    // The CD+G, MIDI or LRC file.
    QString visualPath;
    // Set for an MP3+G zip: then audioPath and visualPath name members of this archive.
    QString archivePath;
};

// Audio extensions a CD+G or LRC file pairs with, in order of preference.
const QStringList& CompanionAudioExtensions();

// Which karaoke song a file opens, by its extension and the files beside it: a .cdg or
// .bin with the audio file of the same base name, a .lrc likewise, a .kar or .mid on its
// own, an audio file with a .cdg or .lrc of its base name, or a .zip holding a CD+G pair.
// Extensions and base names match without regard to case.
KaraokeMedia ResolveKaraokeMedia(const QString& path);

// The most an archive member may hold: a WAV of 25 minutes, an MP3 of hours. A larger one
// is taken for what it most likely is, a zip bomb.
inline constexpr qint64 kMaxArchiveMemberBytes = 256LL * 1024 * 1024;

// Writes the two members of an archived pair into folder; the result names the copies.
// Nothing, and no copy left in folder, when either member cannot be extracted within
// maxBytes each; a member that claims more is refused before anything is written.
std::optional<KaraokeMedia> ExtractArchivedPair(const KaraokeMedia& media, const QString& folder,
                                                qint64 maxBytes);
