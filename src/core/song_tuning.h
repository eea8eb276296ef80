#pragma once

#include <QString>

class SettingsStore;

// Where the singer moved a song: its key in semitones, its tempo in percent of its own, and
// whether the centred voice is cut.
struct Tuning {
    static constexpr int kLowestKey = -6;
    static constexpr int kHighestKey = 6;
    static constexpr int kSlowestTempo = 50;
    static constexpr int kFastestTempo = 150;
    static constexpr int kTempoStep = 5;

    int key = 0;
    int tempo = 100;
    bool vocalCut = false;

    // A step of key or tempo, kept within the range.
    Tuning WithKeyStep(int steps) const;
    Tuning WithTempoStep(int steps) const;
    bool KeyAndTempoAtDefaults() const { return key == 0 && tempo == 100; }
    bool operator==(const Tuning&) const = default;
};

// What the video window's caption adds after the song's name, e.g. "Key +2  Tempo 90 %";
// empty at the defaults.
QString CaptionOf(const Tuning& tuning);

inline constexpr char kSongTuningSection[] = "SongTuning";
inline constexpr char kSongTuningValue[] = "Songs";

// The key and tempo of the songs the singer moved, newest first, as one value of the
// settings: at most kSongs of them, the oldest forgotten first.
class SongTuningMemory {
  public:
    static constexpr int kSongs = 200;

    explicit SongTuningMemory(SettingsStore& settings) : settings_(settings) {}

    // The song's key and tempo as last set; the defaults for a song not remembered.
    Tuning Recall(const QString& songPath);
    // Makes the song the newest; a song back at the defaults is forgotten.
    void Remember(const QString& songPath, const Tuning& tuning);

  private:
    SettingsStore& settings_;
};
