#include "support/test_tone.h"

TestTone::TestTone(const QString& sink, double frequency, double seconds) {
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    const int buffers = static_cast<int>(seconds * 100);  // 10 ms each
    const QString description =
        QString(
            "audiotestsrc freq=%1 volume=0.5 samplesperbuffer=480 num-buffers=%2 "
            "! audio/x-raw,rate=48000,channels=2 ! pulsesink device=%3")
            .arg(frequency)
            .arg(buffers)
            .arg(sink);
    pipeline_ = gst_parse_launch(description.toUtf8().constData(), nullptr);
}

TestTone::~TestTone() {
    if (!pipeline_) return;
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    gst_object_unref(pipeline_);
}

bool TestTone::Start() {
    return pipeline_ &&
           gst_element_set_state(pipeline_, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
}

bool TestTone::Finished() {
    if (finished_ || !pipeline_) return true;
    GstBus* bus = gst_element_get_bus(pipeline_);
    GstMessage* message =
        gst_bus_pop_filtered(bus, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    gst_object_unref(bus);
    if (message) {
        finished_ = true;
        gst_message_unref(message);
    }
    return finished_;
}
