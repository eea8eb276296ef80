#include "gst/gst_playback_pipeline.h"

#include <gst/video/video.h>

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <mutex>

#include "gst/gst_log.h"
#include "gst/karaoke/karaoke_source.h"
#include "gst/parsed_duration.h"
#include "gst/song_tap.h"

namespace {

// A file that has not prerolled by then is treated as one that cannot be played, so a
// stalled source never holds the window longer.
constexpr GstClockTime kPrerollBound = 10 * GST_SECOND;
// A seek just asked for settles within this before the first play looks up the place.
constexpr GstClockTime kSeekSettleBound = GST_SECOND;
// The sample formats handed to the audio output while the file opens, and from the first
// play on; see OpenAudioOutputAfresh.
constexpr char kOpeningFormat[] = "audio/x-raw,format=S16LE";
constexpr char kPlayingFormat[] = "audio/x-raw,format=F32LE";
// The vocal cut subtracts one channel from the other, which takes out what both share, and
// adds back the band below the voice from their mix, so that bass and kick drum stay.
constexpr float kVocalCutBandHz = 80;
constexpr float kVocalCutBandWidthHz = 60;
constexpr float kVocalCutMonoLevel = 0.5f;
// The player puts its own audio queue between the song's stages and the output, a second
// long by default, and every change to volume, channel, vocal cut or key waited that long
// to be heard. The output's own buffer is the margin against late moments; the queue only
// has to keep the stages' thread apart from the output's.
constexpr guint64 kAudioQueueNs = 100 * GST_MSECOND;

// The player builds its audio chain, and with it that queue, once the song's streams are
// known.
void OnElementAdded(GstBin*, GstBin*, GstElement* element, gpointer) {
    const GCharPtr name(gst_element_get_name(element));
    GstElementFactory* factory = gst_element_get_factory(element);
    if (g_strcmp0(name.get(), "aqueue") != 0 || !factory ||
        g_strcmp0(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)), "queue") != 0)
        return;
    g_object_set(element, "max-size-time", kAudioQueueNs, "max-size-buffers", 0u, "max-size-bytes",
                 0u, nullptr);
}

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

}  // namespace

// What the bus's sync handler holds: the pipeline it reports to, until the pipeline lets
// go. The lock makes the pipeline wait for a report in progress before it goes.
struct GstPlaybackPipeline::BusWatch {
    std::mutex mutex;
    GstPlaybackPipeline* pipeline = nullptr;
};

GstPlaybackPipeline::GstPlaybackPipeline(QObject* parent)
    : QObject(parent), frames_([this](GstSample* sample) { OnVideoSample(sample); }) {}

GstPlaybackPipeline::~GstPlaybackPipeline() {
    Close();
}

bool GstPlaybackPipeline::open(const QString& path) {
    Close();
    if (!IsPlayableLocation(path)) {
        qCWarning(gstLog, "Cannot play %s: no regular file", qUtf8Printable(path));
        return false;
    }
    RegisterKaraokeElements();
    if (Build(path) && Preroll()) return true;
    // Stopping joins the streaming threads, so their reasons are in the log by then.
    Close();
    qCWarning(gstLog, "Cannot play %s", qUtf8Printable(path));
    return false;
}

bool GstPlaybackPipeline::Build(const QString& path) {
    playbin_ = AdoptElement(gst_element_factory_make("playbin", nullptr));
    videoSink_ = AdoptElement(gst_element_factory_make("appsink", nullptr));
    GError* rawError = nullptr;
    // scaletempo takes the tempo (the seeks' rate) ahead of pitch, which would otherwise
    // read the places of later seeks in its own stretched time. Its default splices (every
    // 30 ms, blended over 6 ms, each searched for over 14 ms) cost more than decoding the
    // song; splices every 80 ms, blended over 8 ms, cost half as much.
    GstElementPtr audioFilter = AdoptElement(gst_parse_bin_from_description(
        "audioconvert ! audiokaraoke name=vocals level=0 mono-level=0 ! audioconvert ! "
        "scaletempo stride=80 overlap=0.1 search=16 ! audioconvert ! pitch name=key ! "
        "audioconvert ! "
        "audiopanorama name=balance method=simple ! volume name=level ! audioconvert ! "
        "capsfilter name=format",
        TRUE, &rawError));
    const GErrorPtr error(rawError);
    if (error) qCWarning(gstLog, "Cannot build the audio stages: %s", error->message);
    if (!playbin_ || !videoSink_ || !audioFilter) return false;
    g_signal_connect(playbin_.get(), "deep-element-added", G_CALLBACK(&OnElementAdded), nullptr);
    vocalCut_.reset(gst_bin_get_by_name(GST_BIN(audioFilter.get()), "vocals"));
    g_object_set(vocalCut_.get(), "filter-band", kVocalCutBandHz, "filter-width",
                 kVocalCutBandWidthHz, nullptr);
    key_.reset(gst_bin_get_by_name(GST_BIN(audioFilter.get()), "key"));
    panorama_.reset(gst_bin_get_by_name(GST_BIN(audioFilter.get()), "balance"));
    volume_.reset(gst_bin_get_by_name(GST_BIN(audioFilter.get()), "level"));
    outputFormat_.reset(gst_bin_get_by_name(GST_BIN(audioFilter.get()), "format"));
    // The song as heard, for a recording of the song and the singer.
    TapSongOutput(outputFormat_.get());
    const GstCapsPtr opening(gst_caps_from_string(kOpeningFormat));
    g_object_set(outputFormat_.get(), "caps", opening.get(), nullptr);
    outputPlayed_ = false;
    // The decoders' usual formats reach the renderer as they are: it converts them to RGB
    // straight into the window's image, where a conversion ahead of it would be one more
    // copy of every frame. Others come as BGRx, 32-bit RGB in memory.
    const GstCapsPtr caps(
        gst_caps_from_string("video/x-raw,format={BGRx,I420,YV12,NV12,Y42B,Y444}"));
    g_object_set(videoSink_.get(), "caps", caps.get(), "enable-last-sample", FALSE, "qos", TRUE,
                 nullptr);
    const GCharPtr uri = UriOf(path);
    if (!uri) return false;
    g_object_set(playbin_.get(), "uri", uri.get(), "video-sink", videoSink_.get(), "audio-filter",
                 audioFilter.get(), nullptr);

    busWatch_ = std::make_shared<BusWatch>();
    busWatch_->pipeline = this;
    const GstBusPtr bus(gst_element_get_bus(playbin_.get()));
    gst_bus_set_sync_handler(
        bus.get(), &GstPlaybackPipeline::OnSyncMessage, new std::shared_ptr<BusWatch>(busWatch_),
        [](gpointer data) { delete static_cast<std::shared_ptr<BusWatch>*>(data); });
    frames_.Attach(GST_APP_SINK(videoSink_.get()));
    return true;
}

bool GstPlaybackPipeline::Preroll() {
    if (gst_element_set_state(playbin_.get(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE)
        return false;
    const GstStateChangeReturn result =
        gst_element_get_state(playbin_.get(), nullptr, nullptr, kPrerollBound);
    if (result == GST_STATE_CHANGE_ASYNC) qCWarning(gstLog, "The file did not preroll in time.");
    if (result != GST_STATE_CHANGE_SUCCESS && result != GST_STATE_CHANGE_NO_PREROLL) return false;
    gint videoStreams = 0;
    gint audioStreams = 0;
    g_object_get(playbin_.get(), "n-video", &videoStreams, "n-audio", &audioStreams, nullptr);
    hasVideo_ = videoStreams > 0;
    hasAudio_ = audioStreams > 0;
    parser_ = FindStreamParser(GST_BIN(playbin_.get()));
    return hasVideo_ || hasAudio_;
}

void GstPlaybackPipeline::Close() {
    if (!playbin_) return;
    {
        // A report still on its way finishes first; later ones find no pipeline.
        std::lock_guard lock(busWatch_->mutex);
        busWatch_->pipeline = nullptr;
    }
    gst_element_set_state(playbin_.get(), GST_STATE_NULL);
    // Only now: the streaming threads that stopped above could still report why.
    const GstBusPtr bus(gst_element_get_bus(playbin_.get()));
    gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
    parser_.reset();
    outputFormat_.reset();
    volume_.reset();
    panorama_.reset();
    key_.reset();
    vocalCut_.reset();
    videoSink_.reset();
    playbin_.reset();
    hasVideo_ = hasAudio_ = false;
    rate_ = 1.0;
    tempo_ = 1.0;
    soughtPlace_ = Nanoseconds(0);
}

QSize GstPlaybackPipeline::videoSize() const {
    if (!hasVideo_) return {};
    const GstPadPtr pad(gst_element_get_static_pad(videoSink_.get(), "sink"));
    const GstCapsPtr caps(pad ? gst_pad_get_current_caps(pad.get()) : nullptr);
    GstVideoInfo info;
    if (!caps || !gst_video_info_from_caps(&info, caps.get())) return {};
    return {GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info)};
}

bool GstPlaybackPipeline::play() {
    if (!playbin_) return false;
    if (hasAudio_ && !outputPlayed_) OpenAudioOutputAfresh();
    return gst_element_set_state(playbin_.get(), GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
}

// libpulse 16 lets the clock of a playback stream that has never played run on while the
// stream waits corked, and the audio sink places the first sample by that clock: the first
// play after the file sat open would come as late as it sat (PulseAudio 17 mends this). So
// the output stream that prerolled is replaced as playing begins: a sample format of its
// own makes the sink open a new stream, and a flushing seek to where the file stands
// brings the audio to it afresh. A stream that has played keeps a true clock from then on.
void GstPlaybackPipeline::OpenAudioOutputAfresh() {
    outputPlayed_ = true;
    const GstCapsPtr playing(gst_caps_from_string(kPlayingFormat));
    g_object_set(outputFormat_.get(), "caps", playing.get(), nullptr);
    // Until a seek has settled the pipeline still tells the place it left, and at the very
    // end it may tell none: then the place sought is where to play on.
    gst_element_get_state(playbin_.get(), nullptr, nullptr, kSeekSettleBound);
    const Nanoseconds here = position().value_or(soughtPlace_);
    gst_element_seek(playbin_.get(), PlayingRate(), GST_FORMAT_TIME,
                     GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), GST_SEEK_TYPE_SET,
                     here.count(), GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);
}

bool GstPlaybackPipeline::pause() {
    return playbin_ &&
           gst_element_set_state(playbin_.get(), GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE;
}

bool GstPlaybackPipeline::seek(Nanoseconds position) {
    return SeekTo(position, PlayingRate());
}

bool GstPlaybackPipeline::setRate(double rate) {
    if (rate == rate_) return true;
    const std::optional<Nanoseconds> now = position();
    if (!now || !SeekTo(*now, rate * tempo_)) return false;
    rate_ = rate;
    return true;
}

// The tempo is the playing rate of the whole song: the sinks show the pictures at that
// rate, and the key stage stretches the audio to it without changing its pitch.
bool GstPlaybackPipeline::setTempo(double factor) {
    if (factor == tempo_) return true;
    const std::optional<Nanoseconds> now = position();
    // Accurate, so that the song goes on from the very place it stood.
    if (!now || !SeekTo(*now, rate_ * factor, true)) return false;
    tempo_ = factor;
    return true;
}

void GstPlaybackPipeline::setKey(int semitones) {
    if (key_) g_object_set(key_.get(), "pitch", std::pow(2.0f, semitones / 12.0f), nullptr);
}

void GstPlaybackPipeline::setVocalCut(bool on) {
    if (!vocalCut_) return;
    // At level 0 the stage hands the samples on unchanged.
    g_object_set(vocalCut_.get(), "level", on ? 1.0f : 0.0f, "mono-level",
                 on ? kVocalCutMonoLevel : 0.0f, nullptr);
}

bool GstPlaybackPipeline::SeekTo(Nanoseconds position, double rate, bool accurate) {
    if (!playbin_) return false;
    if (const std::optional<Nanoseconds> end = duration(); end && position > *end) position = *end;
    soughtPlace_ = position;
    const auto flags = GstSeekFlags(GST_SEEK_FLAG_FLUSH |
                                    (accurate ? GST_SEEK_FLAG_ACCURATE : GST_SEEK_FLAG_NONE));
    return gst_element_seek(playbin_.get(), rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET,
                            position.count(), GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);
}

std::optional<GstPlaybackPipeline::Nanoseconds> GstPlaybackPipeline::position() const {
    gint64 position = 0;
    if (!playbin_ || !gst_element_query_position(playbin_.get(), GST_FORMAT_TIME, &position) ||
        position < 0)
        return std::nullopt;
    return Nanoseconds(position);
}

std::optional<GstPlaybackPipeline::Nanoseconds> GstPlaybackPipeline::duration() const {
    if (!playbin_) return std::nullopt;
    gint64 duration = 0;
    if (gst_element_query_duration(playbin_.get(), GST_FORMAT_TIME, &duration) && duration >= 0)
        return Nanoseconds(duration);
    if (const std::optional<gint64> parsed = ParsedDurationNs(parser_.get()))
        return Nanoseconds(*parsed);
    return std::nullopt;
}

void GstPlaybackPipeline::setVolume(double gain) {
    if (volume_) g_object_set(volume_.get(), "volume", gain, nullptr);
}

void GstPlaybackPipeline::setBalance(double balance) {
    if (panorama_) g_object_set(panorama_.get(), "panorama", static_cast<gfloat>(balance), nullptr);
}

GstBusSyncReply GstPlaybackPipeline::OnSyncMessage(GstBus*, GstMessage* message, gpointer data) {
    BusWatch& watch = **static_cast<std::shared_ptr<BusWatch>*>(data);
    std::lock_guard lock(watch.mutex);
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_EOS:
            if (watch.pipeline) emit watch.pipeline->endOfStream();
            break;
        case GST_MESSAGE_ERROR: {
            // Logged even while the file closes: a failed open stops the pipeline as its
            // streaming threads are still reporting why.
            GError* rawError = nullptr;
            gchar* rawDetails = nullptr;
            gst_message_parse_error(message, &rawError, &rawDetails);
            const GErrorPtr failure(rawError);
            const GCharPtr details(rawDetails);
            const QString text = QString::fromUtf8(failure ? failure->message : "");
            qCWarning(gstLog, "%s: %s (%s)", GST_OBJECT_NAME(GST_MESSAGE_SRC(message)),
                      qUtf8Printable(text), details ? details.get() : "");
            if (watch.pipeline) emit watch.pipeline->error(text);
            break;
        }
        default:
            break;
    }
    // Nothing is left queued on the bus: nobody polls it. A dropped message is the
    // handler's to release; it holds its source, and so the whole pipeline.
    gst_message_unref(message);
    return GST_BUS_DROP;
}

void GstPlaybackPipeline::OnVideoSample(GstSample* sample) {
    if (auto picture = VideoPicture::FromSample(sample)) emit videoFrame(std::move(picture));
}
