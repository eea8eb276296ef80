#include "karaoke/karaoke_frames.h"

#include <optional>
#include <vector>

#include "karaoke/lyric_layout.h"
#include "karaoke/lyrics_renderer.h"

namespace {

class CdgFrames : public KaraokeFrames {
  public:
    explicit CdgFrames(QByteArray packets) : player(std::move(packets)) {}

    QSize Size() const override {
        return {kCdgWidth * kCdgFrameScale, kCdgHeight * kCdgFrameScale};
    }
    void Draw(QImage& target, std::int64_t timeUs) override {
        const CdgScreen& screen = player.ScreenAt(timeUs);
        screen.RenderInto(target, kCdgFrameScale);
        Drew(screen);
    }
    void DrawOver(QImage& target, std::int64_t timeUs) override {
        if (!shown) return Draw(target, timeUs);
        const CdgScreen& screen = player.ScreenAt(timeUs);
        screen.RenderChangesInto(target, kCdgFrameScale, *shown);
        Drew(screen);
    }
    bool Unchanged(std::int64_t timeUs) override {
        return shown && shown->Version() == player.ScreenAt(timeUs).Version();
    }

  private:
    void Drew(const CdgScreen& screen) {
        if (shown)
            *shown = screen;
        else
            shown = std::make_unique<CdgScreen>(screen);
    }

    CdgPlayer player;
    // The screen last drawn.
    std::unique_ptr<CdgScreen> shown;
};

class LyricFrames : public KaraokeFrames {
  public:
    explicit LyricFrames(Lyrics lyrics) : lyrics(std::move(lyrics)), renderer(this->lyrics) {}

    QSize Size() const override { return kLyricFrameSize; }
    void Draw(QImage& target, std::int64_t timeUs) override {
        renderer.RenderInto(target, timeUs);
        drawn = LyricRowsAt(lyrics, timeUs, LyricsRenderer::kRows);
    }
    bool Unchanged(std::int64_t timeUs) override {
        return drawn && *drawn == LyricRowsAt(lyrics, timeUs, LyricsRenderer::kRows);
    }

  private:
    Lyrics lyrics;
    LyricsRenderer renderer;
    std::optional<std::vector<LyricRow>> drawn;
};

}  // namespace

std::unique_ptr<KaraokeFrames> MakeCdgFrames(QByteArray packets) {
    return std::make_unique<CdgFrames>(std::move(packets));
}

std::unique_ptr<KaraokeFrames> MakeLyricFrames(Lyrics lyrics) {
    return std::make_unique<LyricFrames>(std::move(lyrics));
}
