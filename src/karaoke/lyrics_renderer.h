#pragma once

#include <QColor>
#include <QImage>
#include <QSize>

#include "karaoke/lyrics.h"

// Draws the lyrics display: a few centred rows on a dark background, the sung part of
// each row in the highlight colour and the rest in the text colour.
class LyricsRenderer {
  public:
    static constexpr int kRows = 4;
    static inline const QColor kBackground{12, 16, 40};
    static inline const QColor kTextColor{240, 240, 240};
    static inline const QColor kSungColor{255, 200, 40};

    explicit LyricsRenderer(const Lyrics& lyrics) : lyrics(lyrics) {}

    QImage Render(QSize size, LyricTimeUs timeUs) const;
    // Draws into an ARGB32 or RGB32 image of any size.
    void RenderInto(QImage& target, LyricTimeUs timeUs) const;

  private:
    const Lyrics& lyrics;
};
