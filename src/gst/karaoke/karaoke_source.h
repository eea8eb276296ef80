#pragma once

#include <QString>

// Karaoke songs as sources of the playback graph. A CD+G, LRC or MIDI/KAR file (or an
// audio file with a .cdg or .lrc beside it, or an MP3+G zip) opens through a URI of its
// own scheme, served by an element registered in this process: it plays the song's audio
// and offers the graphics or lyrics as a raw video stream, so playbin treats the song
// like any file with video.

// Registers the karaoke elements once; safe to call again.
void RegisterKaraokeElements();

// The URI that plays the file as a karaoke song, or an empty string when the file is no
// karaoke song and plays like any other.
QString KaraokeUriFor(const QString& path);

// Where the General MIDI sound font lies (TimGM6mb from timgm6mb-soundfont, searched in
// the system's data folders), or empty when it is not installed.
QString FindSoundFont();
