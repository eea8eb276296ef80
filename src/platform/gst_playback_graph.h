#pragma once

#include <QPointer>
#include <deque>
#include <memory>

#include "platform/gst_appsink_relay.h"
#include "platform/gst_bus_relay.h"
#include "platform/gst_handles.h"
#include "platform/media_graph.h"
#include "platform/video_renderer_widget.h"

// One playback graph over playbin. Video goes to an appsink whose frames our renderer
// widget draws; audio passes a balance and a volume stage before the default output.
// Everything here runs on the UI thread; GStreamer's threads reach it only through the
// relays.
class GstPlaybackGraph final : public GraphBuilder,
                               public MediaControl,
                               public MediaEvents,
                               public MediaSeeking,
                               public BasicAudio,
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

    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;

    HRESULT SetNotifyWindow(QObject* window, int message, std::intptr_t instance) override;
    HRESULT GetEvent(long* code, std::intptr_t* param1, std::intptr_t* param2,
                     long timeoutMs) override;
    HRESULT FreeEventParams(long code, std::intptr_t param1, std::intptr_t param2) override;

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

    HRESULT put_Owner(QWidget* owner) override;
    HRESULT put_MessageDrain(QWidget* drain) override;
    HRESULT get_Visible(long* visible) override;
    HRESULT put_Visible(long visible) override;
    HRESULT SetWindowPosition(long left, long top, long width, long height) override;

    HRESULT GetVideoSize(long* width, long* height) override;

  private:
    struct Event {
        long code;
        std::intptr_t param1;
    };

    bool BuildPipeline(const QString& path);
    bool Preroll();
    HRESULT ChangeState(GstState state);
    HRESULT SeekTo(REFERENCE_TIME position, double rate);
    void OnBusMessage(GstMessage* message);
    void LogError(GstMessage* message);
    void OnVideoSample(GstSample* sample);
    void QueueEvent(long code, std::intptr_t param1);

    GstElementPtr playbin_;
    GstElementPtr videoSink_;
    GstElementPtr panorama_;
    GstElementPtr volume_;
    GstBusRelay bus_;
    GstAppSinkRelay frames_;
    QPointer<VideoRendererWidget> renderer_;

    bool rendered_ = false;
    bool hasVideo_ = false;
    bool hasAudio_ = false;
    bool rendererVisible_ = true;

    std::deque<Event> events_;
    QPointer<QObject> notifyWindow_;
    int notifyMessage_ = 0;
    std::intptr_t notifyInstance_ = 0;

    TimeFormat timeFormat_ = TIME_FORMAT_MEDIA_TIME;
    double rate_ = 1.0;
    long volumeLevel_ = 0;
    long balance_ = 0;
};
