#include "karaoke_test_pipeline.h"

#include <gst/app/gstappsink.h>

#include <cmath>

#include "support/media_maker.h"

namespace {

constexpr GstClockTime kWait = 10 * GST_SECOND;
constexpr auto kEndOrError = static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR);

QImage ImageOf(GstSample* sample) {
    const GstStructure* format = gst_caps_get_structure(gst_sample_get_caps(sample), 0);
    int width = 0, height = 0;
    gst_structure_get_int(format, "width", &width);
    gst_structure_get_int(format, "height", &height);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_READ);
    const QImage image = QImage(map.data, width, height, width * 4, QImage::Format_RGB32).copy();
    gst_buffer_unmap(buffer, &map);
    return image;
}

QString ErrorText(GstMessage* message) {
    GError* raw = nullptr;
    gst_message_parse_error(message, &raw, nullptr);
    const GErrorPtr error(raw);
    return QString::fromUtf8(error ? error->message : "");
}

}  // namespace

bool WriteTone(const QString& path, double seconds, const char* encoder) {
    const int buffers = static_cast<int>(std::ceil(seconds * 44100 / 1024));
    return MediaMaker::Launch(
        QStringLiteral("audiotestsrc num-buffers=%1 samplesperbuffer=1024 ! "
                       "audio/x-raw,rate=44100,channels=2 ! audioconvert ! %2 ! "
                       "filesink location=%3")
            .arg(buffers)
            .arg(QString::fromUtf8(encoder), path));
}

TestPlaybin::TestPlaybin(const QString& uri) {
    EnsureGstInitialised();
    playbin = AdoptElement(gst_element_factory_make("playbin", nullptr));
    videoSink = gst_element_factory_make("appsink", nullptr);
    const GstCapsPtr caps(gst_caps_from_string("video/x-raw,format=BGRx"));
    g_object_set(videoSink, "caps", caps.get(), "sync", TRUE, "max-buffers", 1, "drop", TRUE,
                 nullptr);
    audioSink = gst_element_factory_make("appsink", nullptr);
    const GstCapsPtr audioCaps(
        gst_caps_from_string("audio/x-raw,format=F32LE,layout=interleaved,channels=2"));
    // Only the last seconds are kept; the end never waits for them to be read.
    g_object_set(audioSink, "caps", audioCaps.get(), "sync", TRUE, "max-buffers", 400, "drop", TRUE,
                 "wait-on-eos", FALSE, nullptr);
    g_object_set(playbin.get(), "uri", uri.toUtf8().constData(), "video-sink", videoSink,
                 "audio-sink", audioSink, nullptr);
}

TestPlaybin::~TestPlaybin() {
    gst_element_set_state(playbin.get(), GST_STATE_NULL);
}

GstMessagePtr TestPlaybin::Pop(GstClockTime timeout, GstMessageType types) const {
    const GstBusPtr bus(gst_element_get_bus(playbin.get()));
    return GstMessagePtr(gst_bus_timed_pop_filtered(bus.get(), timeout, types));
}

bool TestPlaybin::WaitForAsyncDone(QString* error) {
    const GstMessagePtr message =
        Pop(kWait, static_cast<GstMessageType>(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR));
    const bool done = message && GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_ASYNC_DONE;
    if (!done && error) *error = message ? ErrorText(message.get()) : QStringLiteral("timed out");
    return done;
}

bool TestPlaybin::Preroll(QString* error) {
    if (gst_element_set_state(playbin.get(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        const GstMessagePtr message = Pop(0, GST_MESSAGE_ERROR);
        if (error)
            *error = message ? ErrorText(message.get()) : QStringLiteral("state change failed");
        return false;
    }
    return WaitForAsyncDone(error);
}

int TestPlaybin::StreamCount(const char* property) const {
    int count = 0;
    g_object_get(playbin.get(), property, &count, nullptr);
    return count;
}

std::optional<gint64> TestPlaybin::DurationNs() const {
    gint64 duration = 0;
    if (!gst_element_query_duration(playbin.get(), GST_FORMAT_TIME, &duration)) return std::nullopt;
    return duration;
}

gint64 TestPlaybin::PositionNs() const {
    gint64 position = -1;
    gst_element_query_position(playbin.get(), GST_FORMAT_TIME, &position);
    return position;
}

std::optional<QImage> TestPlaybin::PausedFrame() {
    const GstSamplePtr sample(gst_app_sink_try_pull_preroll(GST_APP_SINK(videoSink), kWait));
    if (!sample) return std::nullopt;
    return ImageOf(sample.get());
}

bool TestPlaybin::Seek(gint64 positionNs) {
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    return gst_element_seek_simple(playbin.get(), GST_FORMAT_TIME, flags, positionNs) &&
           WaitForAsyncDone(nullptr);
}

bool TestPlaybin::Play() {
    return gst_element_set_state(playbin.get(), GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
}

std::optional<std::pair<QImage, gint64>> TestPlaybin::NextFrame(int timeoutMs) {
    const GstSamplePtr sample(
        gst_app_sink_try_pull_sample(GST_APP_SINK(videoSink), timeoutMs * GST_MSECOND));
    if (!sample) return std::nullopt;
    return std::pair{ImageOf(sample.get()),
                     static_cast<gint64>(GST_BUFFER_PTS(gst_sample_get_buffer(sample.get())))};
}

std::optional<PlayedAudio> TestPlaybin::NextAudio(double seconds) {
    PlayedAudio audio;
    while (audio.rate == 0 || audio.samples.size() < seconds * audio.rate) {
        const GstSamplePtr sample(
            gst_app_sink_try_pull_sample(GST_APP_SINK(audioSink), 3 * GST_SECOND));
        if (!sample) return std::nullopt;
        GstBuffer* buffer = gst_sample_get_buffer(sample.get());
        if (audio.rate == 0) {
            const GstStructure* format =
                gst_caps_get_structure(gst_sample_get_caps(sample.get()), 0);
            gst_structure_get_int(format, "rate", &audio.rate);
            audio.startNs = static_cast<gint64>(gst_segment_to_stream_time(
                gst_sample_get_segment(sample.get()), GST_FORMAT_TIME, GST_BUFFER_PTS(buffer)));
        }
        GstMapInfo map;
        if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return std::nullopt;
        const auto* frames = reinterpret_cast<const float*>(map.data);
        for (gsize i = 0; i + 1 < map.size / sizeof(float); i += 2)
            audio.samples.push_back(frames[i]);
        gst_buffer_unmap(buffer, &map);
    }
    return audio;
}

bool TestPlaybin::WaitForEnd(int timeoutMs) {
    // The appsink passes the end on only once its frames are taken, so keep taking them.
    GstMessagePtr message;
    for (int waited = 0; !message && waited < timeoutMs; waited += 50) {
        const GstSamplePtr frame(gst_app_sink_try_pull_sample(GST_APP_SINK(videoSink), 0));
        const GstSamplePtr sound(gst_app_sink_try_pull_sample(GST_APP_SINK(audioSink), 0));
        message = Pop(50 * GST_MSECOND, kEndOrError);
    }
    return message && GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_EOS;
}
