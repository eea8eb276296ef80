#pragma once

#include <QPointer>
#include <memory>

#include "desktop/graph_event_queue.h"
#include "gst/gst_playback_pipeline.h"
#include "gst/video_renderer_widget.h"
#include "services/media_graph.h"

// The graph interfaces over one playback pipeline, in their classic units and result
// codes: positions in 100 ns, volume in hundredths of a decibel, balance -10000 to 10000.
// The renderer widget that VideoWindow places is this graph's.
class GstPlaybackGraph final : public GraphBuilder,
                               public MediaControl,
                               public MediaSeeking,
                               public BasicAudio,
                               public SongTuning,
                               public VideoWindow,
                               public BasicVideo,
                               public std::enable_shared_from_this<GstPlaybackGraph> {
  public:
    GstPlaybackGraph();
    ~GstPlaybackGraph() override;

    HRESULT RenderFile(const QString& path) override;
    HRESULT QueryInterface(std::shared_ptr<MediaControl>& out) override;
    HRESULT QueryInterface(std::shared_ptr<MediaEvents>& out) override;
    HRESULT QueryInterface(std::shared_ptr<MediaSeeking>& out) override;
    HRESULT QueryInterface(std::shared_ptr<VideoWindow>& out) override;
    HRESULT QueryInterface(std::shared_ptr<BasicVideo>& out) override;
    HRESULT QueryInterface(std::shared_ptr<BasicAudio>& out) override;
    HRESULT QueryInterface(std::shared_ptr<SongTuning>& out) override;

    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;

    HRESULT IsFormatSupported(TimeFormat format) override;
    HRESULT GetTimeFormat(TimeFormat* format) override;
    HRESULT SetTimeFormat(TimeFormat format) override;
    HRESULT GetStopPosition(REFERENCE_TIME* stop) override;
    HRESULT GetCurrentPosition(REFERENCE_TIME* current) override;
    HRESULT SetPositions(REFERENCE_TIME* current, unsigned currentFlags, REFERENCE_TIME* stop,
                         unsigned stopFlags) override;
    HRESULT SetRate(double rate) override;

    HRESULT put_Volume(long volume) override;
    HRESULT get_Volume(long* volume) override;
    HRESULT put_Balance(long balance) override;
    HRESULT get_Balance(long* balance) override;

    HRESULT put_Key(long semitones) override;
    HRESULT put_Tempo(long percent) override;
    HRESULT put_VocalCut(long on) override;

    HRESULT put_Owner(QWidget* owner) override;
    HRESULT put_MessageDrain(QWidget* drain) override;
    HRESULT get_Visible(long* visible) override;
    HRESULT put_Visible(long visible) override;
    HRESULT SetWindowPosition(long left, long top, long width, long height) override;

    HRESULT GetVideoSize(long* width, long* height) override;

  private:
    template <typename Interface>
    HRESULT Answer(std::shared_ptr<Interface>& out);
    bool HasRenderer() const { return pipeline_.hasVideo() && renderer_; }

    // Declared before the pipeline, whose reports it takes until the pipeline is gone.
    GraphEventQueue events_;
    GstPlaybackPipeline pipeline_;
    QPointer<VideoRendererWidget> renderer_;
    bool rendered_ = false;
    bool rendererVisible_ = true;
    TimeFormat timeFormat_ = TIME_FORMAT_MEDIA_TIME;
    long volume_ = 0;
    long balance_ = 0;
};
