#include "gst/gst_playback_graph.h"

#include <cmath>

namespace {

using Nanoseconds = GstPlaybackPipeline::Nanoseconds;

// Positions count units of 100 ns.
constexpr Nanoseconds::rep kNsPerUnit = 100;

REFERENCE_TIME UnitsOf(Nanoseconds time) {
    return time.count() / kNsPerUnit;
}

}  // namespace

GstPlaybackGraph::GstPlaybackGraph() {
    // The pipeline reports from its streaming thread straight into the queue, which posts
    // the one notice the window reads.
    QObject::connect(&pipeline_, &GstPlaybackPipeline::endOfStream,
                     [this] { events_.Push(EC_COMPLETE); });
    QObject::connect(&pipeline_, &GstPlaybackPipeline::error,
                     [this] { events_.Push(EC_ERRORABORT, E_FAIL); });
    QObject::connect(&pipeline_, &GstPlaybackPipeline::videoFrame,
                     [this](std::shared_ptr<const VideoPicture> picture) {
                         if (renderer_) renderer_->ShowFrame(std::move(picture));
                     });
}

GstPlaybackGraph::~GstPlaybackGraph() {
    // The renderer goes with the graph unless its owner window took it along already.
    delete renderer_.data();
}

HRESULT GstPlaybackGraph::RenderFile(const QString& path) {
    if (rendered_) return E_UNEXPECTED;
    renderer_ = new VideoRendererWidget();
    renderer_->hide();
    if (!pipeline_.open(path)) {
        delete renderer_.data();
        return E_FAIL;
    }
    rendered_ = true;
    if (!pipeline_.hasVideo()) delete renderer_.data();
    return S_OK;
}

template <typename Interface>
HRESULT GstPlaybackGraph::Answer(std::shared_ptr<Interface>& out) {
    out = shared_from_this();
    return S_OK;
}

HRESULT GstPlaybackGraph::QueryInterface(std::shared_ptr<MediaControl>& out) {
    return Answer(out);
}
HRESULT GstPlaybackGraph::QueryInterface(std::shared_ptr<MediaEvents>& out) {
    // The queue lives as long as the graph; the holder keeps the graph alive.
    out = std::shared_ptr<MediaEvents>(shared_from_this(), &events_);
    return S_OK;
}
HRESULT GstPlaybackGraph::QueryInterface(std::shared_ptr<MediaSeeking>& out) {
    return Answer(out);
}
HRESULT GstPlaybackGraph::QueryInterface(std::shared_ptr<VideoWindow>& out) {
    return Answer(out);
}
HRESULT GstPlaybackGraph::QueryInterface(std::shared_ptr<BasicVideo>& out) {
    return Answer(out);
}
HRESULT GstPlaybackGraph::QueryInterface(std::shared_ptr<BasicAudio>& out) {
    return Answer(out);
}
HRESULT GstPlaybackGraph::QueryInterface(std::shared_ptr<SongTuning>& out) {
    return Answer(out);
}

HRESULT GstPlaybackGraph::Run() {
    if (!rendered_) return E_UNEXPECTED;
    return pipeline_.play() ? S_OK : E_FAIL;
}
HRESULT GstPlaybackGraph::Pause() {
    if (!rendered_) return E_UNEXPECTED;
    return pipeline_.pause() ? S_OK : E_FAIL;
}
// A stopped graph keeps its decoders and its place, ready to show a frame or run again.
HRESULT GstPlaybackGraph::Stop() {
    return Pause();
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
    const std::optional<Nanoseconds> duration = pipeline_.duration();
    if (!rendered_ || !duration) return E_FAIL;
    *stop = UnitsOf(*duration);
    return S_OK;
}

HRESULT GstPlaybackGraph::GetCurrentPosition(REFERENCE_TIME* current) {
    if (!current) return E_POINTER;
    const std::optional<Nanoseconds> position = pipeline_.position();
    if (!rendered_ || !position) return E_FAIL;
    *current = UnitsOf(*position);
    return S_OK;
}

HRESULT GstPlaybackGraph::SetPositions(REFERENCE_TIME* current, unsigned currentFlags,
                                       REFERENCE_TIME*, unsigned stopFlags) {
    // The stop position is always the end of the media.
    if (stopFlags != AM_SEEKING_NoPositioning) return E_NOTIMPL;
    if (!current || (currentFlags & AM_SEEKING_AbsolutePositioning) == 0) return S_OK;
    if (!rendered_) return E_UNEXPECTED;
    if (*current < 0) return E_INVALIDARG;
    return pipeline_.seek(Nanoseconds(*current * kNsPerUnit)) ? S_OK : E_FAIL;
}

HRESULT GstPlaybackGraph::SetRate(double rate) {
    if (rate <= 0) return E_INVALIDARG;
    return pipeline_.setRate(rate) ? S_OK : E_FAIL;
}

HRESULT GstPlaybackGraph::put_Volume(long volume) {
    if (!pipeline_.hasAudio()) return E_NOTIMPL;
    if (volume < -10000 || volume > 0) return E_INVALIDARG;
    // Hundredths of a decibel to a linear gain; the bottom of the range is silence.
    pipeline_.setVolume(volume <= -10000 ? 0.0 : std::pow(10.0, volume / 2000.0));
    volume_ = volume;
    return S_OK;
}

HRESULT GstPlaybackGraph::get_Volume(long* volume) {
    if (!volume) return E_POINTER;
    if (!pipeline_.hasAudio()) return E_NOTIMPL;
    *volume = volume_;
    return S_OK;
}

HRESULT GstPlaybackGraph::put_Balance(long balance) {
    if (!pipeline_.hasAudio()) return E_NOTIMPL;
    if (balance < -10000 || balance > 10000) return E_INVALIDARG;
    pipeline_.setBalance(balance / 10000.0);
    balance_ = balance;
    return S_OK;
}

HRESULT GstPlaybackGraph::get_Balance(long* balance) {
    if (!balance) return E_POINTER;
    if (!pipeline_.hasAudio()) return E_NOTIMPL;
    *balance = balance_;
    return S_OK;
}

HRESULT GstPlaybackGraph::put_Key(long semitones) {
    if (!pipeline_.hasAudio()) return E_NOTIMPL;
    if (semitones < -6 || semitones > 6) return E_INVALIDARG;
    pipeline_.setKey(static_cast<int>(semitones));
    return S_OK;
}

HRESULT GstPlaybackGraph::put_Tempo(long percent) {
    if (!rendered_) return E_UNEXPECTED;
    if (percent < 50 || percent > 150) return E_INVALIDARG;
    return pipeline_.setTempo(percent / 100.0) ? S_OK : E_FAIL;
}

HRESULT GstPlaybackGraph::put_VocalCut(long on) {
    if (!pipeline_.hasAudio()) return E_NOTIMPL;
    pipeline_.setVocalCut(on != OAFALSE);
    return S_OK;
}

HRESULT GstPlaybackGraph::put_Owner(QWidget* owner) {
    if (!HasRenderer()) return E_NOINTERFACE;
    renderer_->setParent(owner);
    // Without an owner the renderer is never a window of its own.
    renderer_->setVisible(owner && rendererVisible_);
    return S_OK;
}

HRESULT GstPlaybackGraph::put_MessageDrain(QWidget* drain) {
    if (!HasRenderer()) return E_NOINTERFACE;
    renderer_->SetDrain(drain);
    return S_OK;
}

HRESULT GstPlaybackGraph::get_Visible(long* visible) {
    if (!visible) return E_POINTER;
    if (!HasRenderer()) return E_NOINTERFACE;
    *visible = rendererVisible_ ? OATRUE : OAFALSE;
    return S_OK;
}

HRESULT GstPlaybackGraph::put_Visible(long visible) {
    if (!HasRenderer()) return E_NOINTERFACE;
    rendererVisible_ = visible != OAFALSE;
    renderer_->setVisible(renderer_->parentWidget() && rendererVisible_);
    return S_OK;
}

HRESULT GstPlaybackGraph::SetWindowPosition(long left, long top, long width, long height) {
    if (!HasRenderer()) return E_NOINTERFACE;
    if (width < 0 || height < 0) return E_INVALIDARG;
    renderer_->setGeometry(left, top, width, height);
    return S_OK;
}

HRESULT GstPlaybackGraph::GetVideoSize(long* width, long* height) {
    if (!width || !height) return E_POINTER;
    if (!pipeline_.hasVideo()) return E_NOINTERFACE;
    const QSize size = pipeline_.videoSize();
    if (!size.isValid()) return E_FAIL;
    *width = size.width();
    *height = size.height();
    return S_OK;
}
