#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <cstdint>
#include <memory>

#include "karaoke/cdg_player.h"
#include "karaoke/lyrics.h"

// The pictures of a karaoke video stream, one per frame time. Frames are drawn in the
// order the stream asks for them, which goes back only after a seek.
class KaraokeFrames {
  public:
    virtual ~KaraokeFrames() = default;
    virtual QSize Size() const = 0;
    // Draws the picture at timeUs into an ARGB32 or RGB32 image of Size().
    virtual void Draw(QImage& target, std::int64_t timeUs) = 0;
    // The same into a target that holds the picture Draw or DrawOver drew last: only what
    // changed since is drawn again, where the frames can tell.
    virtual void DrawOver(QImage& target, std::int64_t timeUs) { Draw(target, timeUs); }
    // Whether the picture at timeUs is the one Draw drew last, so that it can be shown again
    // as it is; false before the first.
    virtual bool Unchanged(std::int64_t timeUs) = 0;
};

// CD+G screens, twice their size so that the preview shows crisp blocks.
std::unique_ptr<KaraokeFrames> MakeCdgFrames(QByteArray packets);

// The lyrics display at 640x360.
std::unique_ptr<KaraokeFrames> MakeLyricFrames(Lyrics lyrics);

inline constexpr int kCdgFrameScale = 2;
inline constexpr QSize kLyricFrameSize{640, 360};
