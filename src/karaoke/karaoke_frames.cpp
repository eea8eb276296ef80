#include "karaoke/karaoke_frames.h"

#include "karaoke/lyrics_renderer.h"

namespace {

class CdgFrames : public KaraokeFrames {
  public:
    explicit CdgFrames(QByteArray packets) : player(std::move(packets)) {}

    QSize Size() const override {
        return {kCdgWidth * kCdgFrameScale, kCdgHeight * kCdgFrameScale};
    }
    void Draw(QImage& target, std::int64_t timeUs) override {
        player.ScreenAt(timeUs).RenderInto(target, kCdgFrameScale);
    }

  private:
    CdgPlayer player;
};

class LyricFrames : public KaraokeFrames {
  public:
    explicit LyricFrames(Lyrics lyrics) : lyrics(std::move(lyrics)), renderer(this->lyrics) {}

    QSize Size() const override { return kLyricFrameSize; }
    void Draw(QImage& target, std::int64_t timeUs) override { renderer.RenderInto(target, timeUs); }

  private:
    Lyrics lyrics;
    LyricsRenderer renderer;
};

}  // namespace

std::unique_ptr<KaraokeFrames> MakeCdgFrames(QByteArray packets) {
    return std::make_unique<CdgFrames>(std::move(packets));
}

std::unique_ptr<KaraokeFrames> MakeLyricFrames(Lyrics lyrics) {
    return std::make_unique<LyricFrames>(std::move(lyrics));
}
