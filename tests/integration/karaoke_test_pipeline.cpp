#include "karaoke_test_pipeline.h"

#include <gst/app/gstappsink.h>

#include <QDir>
#include <cmath>

namespace {

constexpr GstClockTime kWait = 10 * GST_SECOND;

QImage ImageOf(GstSample* sample) {
    GstCaps* caps = gst_sample_get_caps(sample);
    const GstStructure* format = gst_caps_get_structure(caps, 0);
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
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    const QString text = QString::fromUtf8(error ? error->message : "");
    g_clear_error(&error);
    return text;
}

}  // namespace

bool WriteTone(const QString& path, double seconds, const char* encoder) {
    gst_init(nullptr, nullptr);
    const int buffers = static_cast<int>(std::ceil(seconds * 44100 / 1024));
    const QString description =
        QStringLiteral(
            "audiotestsrc num-buffers=%1 samplesperbuffer=1024 freq=440 ! "
            "audio/x-raw,rate=44100,channels=2 ! audioconvert ! %2 ! filesink location=\"%3\"")
            .arg(buffers)
            .arg(QString::fromUtf8(encoder), QDir::toNativeSeparators(path));
    GstElement* pipeline = gst_parse_launch(description.toUtf8().constData(), nullptr);
    if (!pipeline) return false;
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(
        bus, kWait, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool done = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (message) gst_message_unref(message);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return done;
}

TestPlaybin::TestPlaybin(const QString& uri) {
    gst_init(nullptr, nullptr);
    playbin = gst_element_factory_make("playbin", nullptr);
    videoSink = gst_element_factory_make("appsink", nullptr);
    GstCaps* caps = gst_caps_from_string("video/x-raw,format=BGRx");
    g_object_set(videoSink, "caps", caps, "sync", TRUE, "max-buffers", 1, "drop", TRUE, nullptr);
    gst_caps_unref(caps);
    GstElement* audioSink = gst_element_factory_make("fakesink", nullptr);
    g_object_set(audioSink, "sync", TRUE, nullptr);
    g_object_set(playbin, "uri", uri.toUtf8().constData(), "video-sink", videoSink, "audio-sink",
                 audioSink, nullptr);
}

TestPlaybin::~TestPlaybin() {
    gst_element_set_state(playbin, GST_STATE_NULL);
    gst_object_unref(playbin);
}

bool TestPlaybin::WaitForAsyncDone(QString* error) {
    GstBus* bus = gst_element_get_bus(playbin);
    GstMessage* message = gst_bus_timed_pop_filtered(
        bus, kWait, static_cast<GstMessageType>(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR));
    gst_object_unref(bus);
    if (!message) {
        if (error) *error = QStringLiteral("timed out");
        return false;
    }
    const bool done = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ASYNC_DONE;
    if (!done && error) *error = ErrorText(message);
    gst_message_unref(message);
    return done;
}

bool TestPlaybin::Preroll(QString* error) {
    if (gst_element_set_state(playbin, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        GstBus* bus = gst_element_get_bus(playbin);
        GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
        if (error) *error = message ? ErrorText(message) : QStringLiteral("state change failed");
        if (message) gst_message_unref(message);
        gst_object_unref(bus);
        return false;
    }
    return WaitForAsyncDone(error);
}

int TestPlaybin::StreamCount(const char* property) const {
    int count = 0;
    g_object_get(playbin, property, &count, nullptr);
    return count;
}

std::optional<gint64> TestPlaybin::DurationNs() const {
    gint64 duration = 0;
    if (!gst_element_query_duration(playbin, GST_FORMAT_TIME, &duration)) return std::nullopt;
    return duration;
}

gint64 TestPlaybin::PositionNs() const {
    gint64 position = -1;
    gst_element_query_position(playbin, GST_FORMAT_TIME, &position);
    return position;
}

std::optional<QImage> TestPlaybin::PausedFrame() {
    GstSample* sample = gst_app_sink_try_pull_preroll(GST_APP_SINK(videoSink), kWait);
    if (!sample) return std::nullopt;
    const QImage image = ImageOf(sample);
    gst_sample_unref(sample);
    return image;
}

bool TestPlaybin::Seek(gint64 positionNs) {
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    return gst_element_seek_simple(playbin, GST_FORMAT_TIME, flags, positionNs) &&
           WaitForAsyncDone(nullptr);
}

bool TestPlaybin::Play() {
    return gst_element_set_state(playbin, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
}

std::optional<std::pair<QImage, gint64>> TestPlaybin::NextFrame(int timeoutMs) {
    GstSample* sample =
        gst_app_sink_try_pull_sample(GST_APP_SINK(videoSink), timeoutMs * GST_MSECOND);
    if (!sample) return std::nullopt;
    std::pair<QImage, gint64> frame{ImageOf(sample), GST_BUFFER_PTS(gst_sample_get_buffer(sample))};
    gst_sample_unref(sample);
    return frame;
}

bool TestPlaybin::WaitForEnd(int timeoutMs) {
    // The appsink passes the end on only once its frames are taken, so keep taking them.
    GstBus* bus = gst_element_get_bus(playbin);
    GstMessage* message = nullptr;
    for (int waited = 0; !message && waited < timeoutMs; waited += 50) {
        if (GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(videoSink), 0)) {
            gst_sample_unref(sample);
        }
        message = gst_bus_timed_pop_filtered(
            bus, 50 * GST_MSECOND,
            static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    }
    gst_object_unref(bus);
    const bool ended = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (message) gst_message_unref(message);
    return ended;
}
