#include "platform/gst_playback_graph.h"

#include <gst/video/video.h>

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <cmath>

#include "platform/karaoke_source.h"
#include "platform/window_messages.h"

namespace {

// Why a file cannot be played: the user sees only that it cannot, so the reason goes to
// a log that QT_LOGGING_RULES="tarvelo.media.info=true" turns on.
Q_LOGGING_CATEGORY(lcMedia, "tarvelo.media", QtWarningMsg)

// A file that has not prerolled by then is treated as one that cannot be played, so a
// stalled source never holds the window longer.
constexpr GstClockTime kPrerollBound = 10 * GST_SECOND;
// Nanoseconds per unit of 100 ns.
constexpr gint64 kNsPerUnit = 100;

// The file's URI; paths that already are URIs stay as they are, and karaoke songs open
// through their own source.
GCharPtr UriOf(const QString& path) {
    const QByteArray local = path.toLocal8Bit();
    if (gst_uri_is_valid(local.constData())) return GCharPtr(g_strdup(local.constData()));
    if (const QString karaoke = KaraokeUriFor(path); !karaoke.isEmpty()) {
        return GCharPtr(g_strdup(karaoke.toUtf8().constData()));
    }
    const QByteArray absolute = QFileInfo(path).absoluteFilePath().toLocal8Bit();
    return GCharPtr(gst_filename_to_uri(absolute.constData(), nullptr));
}

// Only regular files reach the pipeline: a named pipe or a device would hold the state
// change, and with it the window, for as long as nobody writes to it, and a folder holds
// nothing to play. URIs of other schemes are the pipeline's to judge.
bool IsPlayableLocation(const QString& path) {
    const QByteArray local = QFile::encodeName(path);
    GCharPtr fromUri;
    if (gst_uri_is_valid(local.constData())) {
        if (!gst_uri_has_protocol(local.constData(), "file")) return true;
        fromUri.reset(g_filename_from_uri(local.constData(), nullptr, nullptr));
        if (!fromUri) return false;
    }
    struct stat info {};
    return ::stat(fromUri ? fromUri.get() : local.constData(), &info) == 0 && S_ISREG(info.st_mode);
}

// A mapped video frame that stays readable for as long as the renderer shows it.
struct MappedFrame {
    explicit MappedFrame(GstSample* sample) : sample(gst_sample_ref(sample)) {}
    ~MappedFrame() {
        if (mapped) gst_video_frame_unmap(&frame);
    }
    GstSamplePtr sample;
    GstVideoFrame frame{};
    bool mapped = false;
};

}  // namespace

GstPlaybackGraph::GstPlaybackGraph()
    : bus_(GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR),
           [this](GstMessage* message) { OnBusMessage(message); }),
      frames_([this](GstSample* sample) { OnVideoSample(sample); }) {}

GstPlaybackGraph::~GstPlaybackGraph() {
    if (playbin_) {
        bus_.Detach();
        gst_element_set_state(playbin_.get(), GST_STATE_NULL);
    }
    // The renderer goes with the graph unless its owner window took it along already.
    delete renderer_.data();
}

HRESULT GstPlaybackGraph::RenderFile(const QString& path) {
    if (rendered_) return E_UNEXPECTED;
    if (!IsPlayableLocation(path)) {
        qCInfo(lcMedia, "Cannot play %s: no regular file", qUtf8Printable(path));
        return E_FAIL;
    }
    if (!BuildPipeline(path)) return E_FAIL;
    if (!Preroll()) {
        // Stopping joins the streaming threads, so their reasons are all on their way to
        // the log by then.
        gst_element_set_state(playbin_.get(), GST_STATE_NULL);
        bus_.DeliverPending();
        qCInfo(lcMedia, "Cannot play %s", qUtf8Printable(path));
        bus_.Detach();
        playbin_.reset();
        return E_FAIL;
    }
    rendered_ = true;
    if (!hasVideo_) {
        delete renderer_.data();
    }
    return S_OK;
}

bool GstPlaybackGraph::BuildPipeline(const QString& path) {
    RegisterKaraokeElements();
    playbin_ = AdoptElement(gst_element_factory_make("playbin", nullptr));
    videoSink_ = AdoptElement(gst_element_factory_make("appsink", nullptr));
    GErrorPtr error;
    GError* rawError = nullptr;
    GstElementPtr audioFilter = AdoptElement(gst_parse_bin_from_description(
        "audioconvert ! audiopanorama name=balance method=simple ! volume name=level", TRUE,
        &rawError));
    error.reset(rawError);
    if (!playbin_ || !videoSink_ || !audioFilter) return false;
    panorama_.reset(gst_bin_get_by_name(GST_BIN(audioFilter.get()), "balance"));
    volume_.reset(gst_bin_get_by_name(GST_BIN(audioFilter.get()), "level"));

    // BGRx in memory is the 32-bit RGB layout the renderer draws without converting.
    GstCapsPtr caps(gst_caps_from_string("video/x-raw,format=BGRx"));
    g_object_set(videoSink_.get(), "caps", caps.get(), "enable-last-sample", FALSE, "qos", TRUE,
                 nullptr);
    const GCharPtr uri = UriOf(path);
    if (!uri) return false;
    g_object_set(playbin_.get(), "uri", uri.get(), "video-sink", videoSink_.get(), "audio-filter",
                 audioFilter.get(), nullptr);

    renderer_ = new VideoRendererWidget();
    renderer_->hide();
    bus_.Attach(playbin_.get());
    frames_.Attach(GST_APP_SINK(videoSink_.get()));
    return true;
}

bool GstPlaybackGraph::Preroll() {
    if (gst_element_set_state(playbin_.get(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE)
        return false;
    const GstStateChangeReturn result =
        gst_element_get_state(playbin_.get(), nullptr, nullptr, kPrerollBound);
    if (result == GST_STATE_CHANGE_ASYNC) {
        qCInfo(lcMedia, "Not ready to play within %d s",
               static_cast<int>(kPrerollBound / GST_SECOND));
    }
    if (result != GST_STATE_CHANGE_SUCCESS && result != GST_STATE_CHANGE_NO_PREROLL) return false;
    gint videoStreams = 0;
    gint audioStreams = 0;
    g_object_get(playbin_.get(), "n-video", &videoStreams, "n-audio", &audioStreams, nullptr);
    hasVideo_ = videoStreams > 0;
    hasAudio_ = audioStreams > 0;
    return hasVideo_ || hasAudio_;
}

HRESULT GstPlaybackGraph::QueryInterface(std::shared_ptr<MediaControl>& out) {
    out = shared_from_this();
    return S_OK;
}
HRESULT GstPlaybackGraph::QueryInterface(std::shared_ptr<MediaEvents>& out) {
    out = shared_from_this();
    return S_OK;
}
HRESULT GstPlaybackGraph::QueryInterface(std::shared_ptr<MediaSeeking>& out) {
    out = shared_from_this();
    return S_OK;
}
HRESULT GstPlaybackGraph::QueryInterface(std::shared_ptr<VideoWindow>& out) {
    out = shared_from_this();
    return S_OK;
}
HRESULT GstPlaybackGraph::QueryInterface(std::shared_ptr<BasicVideo>& out) {
    out = shared_from_this();
    return S_OK;
}
HRESULT GstPlaybackGraph::QueryInterface(std::shared_ptr<BasicAudio>& out) {
    out = shared_from_this();
    return S_OK;
}

HRESULT GstPlaybackGraph::ChangeState(GstState state) {
    if (!rendered_) return E_UNEXPECTED;
    return gst_element_set_state(playbin_.get(), state) == GST_STATE_CHANGE_FAILURE ? E_FAIL : S_OK;
}

HRESULT GstPlaybackGraph::Run() {
    return ChangeState(GST_STATE_PLAYING);
}
HRESULT GstPlaybackGraph::Pause() {
    return ChangeState(GST_STATE_PAUSED);
}
// A stopped graph keeps its decoders and its place, ready to show a frame or run again.
HRESULT GstPlaybackGraph::Stop() {
    return ChangeState(GST_STATE_PAUSED);
}

HRESULT GstPlaybackGraph::SetNotifyWindow(QObject* window, int message, std::intptr_t instance) {
    notifyWindow_ = window;
    notifyMessage_ = message;
    notifyInstance_ = instance;
    return S_OK;
}

HRESULT GstPlaybackGraph::GetEvent(long* code, std::intptr_t* param1, std::intptr_t* param2,
                                   long timeoutMs) {
    if (!code || !param1 || !param2) return E_POINTER;
    if (timeoutMs != 0) return E_INVALIDARG;
    if (events_.empty()) return E_ABORT;
    *code = events_.front().code;
    *param1 = events_.front().param1;
    *param2 = 0;
    events_.pop_front();
    return S_OK;
}

HRESULT GstPlaybackGraph::FreeEventParams(long, std::intptr_t, std::intptr_t) {
    return S_OK;
}

void GstPlaybackGraph::OnBusMessage(GstMessage* message) {
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_EOS:
            QueueEvent(EC_COMPLETE, 0);
            break;
        case GST_MESSAGE_ERROR:
            LogError(message);
            QueueEvent(EC_ERRORABORT, E_FAIL);
            break;
        default:
            break;
    }
}

void GstPlaybackGraph::LogError(GstMessage* message) {
    if (!lcMedia().isInfoEnabled()) return;
    GError* rawError = nullptr;
    gchar* rawDetails = nullptr;
    gst_message_parse_error(message, &rawError, &rawDetails);
    const GErrorPtr error(rawError);
    const GCharPtr details(rawDetails);
    qCInfo(lcMedia, "%s: %s (%s)", GST_MESSAGE_SRC_NAME(message), error ? error->message : "",
           details ? details.get() : "");
}

void GstPlaybackGraph::QueueEvent(long code, std::intptr_t param1) {
    events_.push_back({code, param1});
    if (notifyWindow_) PostWindowMessage(notifyWindow_, notifyMessage_, 0, notifyInstance_);
}

HRESULT GstPlaybackGraph::IsFormatSupported(TimeFormat format) {
    return format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

HRESULT GstPlaybackGraph::GetTimeFormat(TimeFormat* format) {
    if (!format) return E_POINTER;
    *format = timeFormat_;
    return S_OK;
}

HRESULT GstPlaybackGraph::SetTimeFormat(TimeFormat format) {
    if (IsFormatSupported(format) != S_OK) return E_INVALIDARG;
    timeFormat_ = format;
    return S_OK;
}

HRESULT GstPlaybackGraph::GetStopPosition(REFERENCE_TIME* stop) {
    if (!stop) return E_POINTER;
    gint64 duration = 0;
    if (!rendered_ || !gst_element_query_duration(playbin_.get(), GST_FORMAT_TIME, &duration) ||
        duration < 0)
        return E_FAIL;
    *stop = duration / kNsPerUnit;
    return S_OK;
}

HRESULT GstPlaybackGraph::GetCurrentPosition(REFERENCE_TIME* current) {
    if (!current) return E_POINTER;
    gint64 position = 0;
    if (!rendered_ || !gst_element_query_position(playbin_.get(), GST_FORMAT_TIME, &position) ||
        position < 0)
        return E_FAIL;
    *current = position / kNsPerUnit;
    return S_OK;
}

HRESULT GstPlaybackGraph::SetPositions(REFERENCE_TIME* current, unsigned currentFlags,
                                       REFERENCE_TIME*, unsigned stopFlags) {
    // The stop position is always the end of the media.
    if (stopFlags != AM_SEEKING_NoPositioning) return E_NOTIMPL;
    if (!current || (currentFlags & AM_SEEKING_AbsolutePositioning) == 0) return S_OK;
    return SeekTo(*current, rate_);
}

HRESULT GstPlaybackGraph::SetRate(double rate) {
    if (rate <= 0) return E_INVALIDARG;
    if (rate == rate_) return S_OK;
    REFERENCE_TIME position = 0;
    if (FAILED(GetCurrentPosition(&position))) return E_FAIL;
    const HRESULT hr = SeekTo(position, rate);
    if (SUCCEEDED(hr)) rate_ = rate;
    return hr;
}

HRESULT GstPlaybackGraph::SeekTo(REFERENCE_TIME position, double rate) {
    if (!rendered_) return E_UNEXPECTED;
    if (position < 0) return E_INVALIDARG;
    REFERENCE_TIME end = 0;
    if (SUCCEEDED(GetStopPosition(&end)) && position > end) position = end;
    const bool sent = gst_element_seek(playbin_.get(), rate, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH,
                                       GST_SEEK_TYPE_SET, position * kNsPerUnit, GST_SEEK_TYPE_NONE,
                                       GST_CLOCK_TIME_NONE);
    return sent ? S_OK : E_FAIL;
}

HRESULT GstPlaybackGraph::put_Volume(long volume) {
    if (!hasAudio_) return E_NOTIMPL;
    if (volume < -10000 || volume > 0) return E_INVALIDARG;
    // Hundredths of a decibel to a linear gain; the bottom of the range is silence.
    const double gain = volume <= -10000 ? 0.0 : std::pow(10.0, volume / 2000.0);
    g_object_set(volume_.get(), "volume", gain, nullptr);
    volumeLevel_ = volume;
    return S_OK;
}

HRESULT GstPlaybackGraph::get_Volume(long* volume) {
    if (!volume) return E_POINTER;
    if (!hasAudio_) return E_NOTIMPL;
    *volume = volumeLevel_;
    return S_OK;
}

HRESULT GstPlaybackGraph::put_Balance(long balance) {
    if (!hasAudio_) return E_NOTIMPL;
    if (balance < -10000 || balance > 10000) return E_INVALIDARG;
    g_object_set(panorama_.get(), "panorama", static_cast<gfloat>(balance / 10000.0), nullptr);
    balance_ = balance;
    return S_OK;
}

HRESULT GstPlaybackGraph::get_Balance(long* balance) {
    if (!balance) return E_POINTER;
    if (!hasAudio_) return E_NOTIMPL;
    *balance = balance_;
    return S_OK;
}

HRESULT GstPlaybackGraph::put_Owner(QWidget* owner) {
    if (!hasVideo_ || !renderer_) return E_NOINTERFACE;
    renderer_->setParent(owner);
    // Without an owner the renderer is never a window of its own.
    renderer_->setVisible(owner && rendererVisible_);
    return S_OK;
}

HRESULT GstPlaybackGraph::put_MessageDrain(QWidget* drain) {
    if (!hasVideo_ || !renderer_) return E_NOINTERFACE;
    renderer_->SetDrain(drain);
    return S_OK;
}

HRESULT GstPlaybackGraph::get_Visible(long* visible) {
    if (!visible) return E_POINTER;
    if (!hasVideo_ || !renderer_) return E_NOINTERFACE;
    *visible = rendererVisible_ ? OATRUE : OAFALSE;
    return S_OK;
}

HRESULT GstPlaybackGraph::put_Visible(long visible) {
    if (!hasVideo_ || !renderer_) return E_NOINTERFACE;
    rendererVisible_ = visible != OAFALSE;
    renderer_->setVisible(renderer_->parentWidget() && rendererVisible_);
    return S_OK;
}

HRESULT GstPlaybackGraph::SetWindowPosition(long left, long top, long width, long height) {
    if (!hasVideo_ || !renderer_) return E_NOINTERFACE;
    if (width < 0 || height < 0) return E_INVALIDARG;
    renderer_->setGeometry(left, top, width, height);
    return S_OK;
}

HRESULT GstPlaybackGraph::GetVideoSize(long* width, long* height) {
    if (!width || !height) return E_POINTER;
    if (!hasVideo_) return E_NOINTERFACE;
    const GstPadPtr pad(gst_element_get_static_pad(videoSink_.get(), "sink"));
    const GstCapsPtr caps(pad ? gst_pad_get_current_caps(pad.get()) : nullptr);
    GstVideoInfo info;
    if (!caps || !gst_video_info_from_caps(&info, caps.get())) return E_FAIL;
    *width = GST_VIDEO_INFO_WIDTH(&info);
    *height = GST_VIDEO_INFO_HEIGHT(&info);
    return S_OK;
}

void GstPlaybackGraph::OnVideoSample(GstSample* sample) {
    if (!renderer_) return;
    GstVideoInfo info;
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (!caps || !buffer || !gst_video_info_from_caps(&info, caps)) return;
    auto mapped = std::make_shared<MappedFrame>(sample);
    mapped->mapped = gst_video_frame_map(&mapped->frame, &info, buffer, GST_MAP_READ);
    if (!mapped->mapped) return;
    const QImage image(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&mapped->frame, 0)),
                       GST_VIDEO_FRAME_WIDTH(&mapped->frame),
                       GST_VIDEO_FRAME_HEIGHT(&mapped->frame),
                       GST_VIDEO_FRAME_PLANE_STRIDE(&mapped->frame, 0), QImage::Format_RGB32);
    renderer_->ShowFrame(image, std::move(mapped));
}
