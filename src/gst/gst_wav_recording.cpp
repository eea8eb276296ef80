#include "gst/gst_wav_recording.h"

#include <gst/app/gstappsink.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "gst/gst_log.h"
#include "gst/steady_time.h"
#include "gst/write_error_result.h"
#include "services/capture_graph.h"

namespace {

GstElementPtr Make(const char* factory, const char* name) {
    return AdoptElement(gst_element_factory_make(factory, name));
}

// How far the audio may trail the clock at a stop: a few of the server's fragments.
constexpr double kLateAllowance = 0.05;

// The meter's reports: 20 a second.
constexpr guint64 kMeterInterval = 50 * GST_MSECOND;

}  // namespace

GstWavRecording::GstWavRecording(Source source, QString path, WriteFailed failed,
                                 std::uint64_t classicDataLimit)
    : source_(std::move(source)),
      path_(std::move(path)),
      failed_(std::move(failed)),
      writer_(classicDataLimit) {}

GstWavRecording::~GstWavRecording() {
    Halt();
}

HRESULT GstWavRecording::Start(int timeoutMs, int firstSampleMs) {
    if (!writer_.Open(path_.toStdString(), source_.rate, source_.channels))
        return ResultOfErrno(writer_.error());

    pipeline_ = AdoptElement(gst_pipeline_new("capture"));
    const GstElementPtr capture = Make("pulsesrc", "capture");
    const GstElementPtr format = Make("capsfilter", "format");
    const GstElementPtr meter = Make("level", "meter");
    const GstElementPtr sink = Make("appsink", "wav");
    if (!capture || !format || !meter || !sink) {
        qCWarning(gstLog,
                  "The recording needs GStreamer's pulsesrc, capsfilter, level and appsink.");
        Halt();
        return E_FAIL;
    }
    // Blocks of 20 ms: half the wake-ups of the default, still far finer than a stop needs.
    g_object_set(capture.get(), "device", source_.device.toUtf8().constData(), "client-name",
                 "Tarvelo", "latency-time", gint64{20000}, nullptr);
    const GstCapsPtr caps(gst_caps_new_simple(
        "audio/x-raw", "format", G_TYPE_STRING, "S16LE", "layout", G_TYPE_STRING, "interleaved",
        "rate", G_TYPE_INT, source_.rate, "channels", G_TYPE_INT, source_.channels, nullptr));
    g_object_set(format.get(), "caps", caps.get(), nullptr);
    // The meter reads the peak 20 times a second; the samples pass it unchanged.
    g_object_set(meter.get(), "interval", kMeterInterval, "post-messages", TRUE, nullptr);
    g_object_set(sink.get(), "sync", FALSE, "async", FALSE, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = &GstWavRecording::OnSample;
    callbacks.eos = &GstWavRecording::OnEos;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink.get()), &callbacks, this, nullptr);
    gst_bin_add_many(GST_BIN(pipeline_.get()), capture.get(), format.get(), meter.get(), sink.get(),
                     nullptr);
    GstBusPtr bus(gst_element_get_bus(pipeline_.get()));
    gst_bus_set_sync_handler(bus.get(), &GstWavRecording::OnBusMessage, this, nullptr);

    if (!gst_element_link_many(capture.get(), format.get(), meter.get(), sink.get(), nullptr) ||
        gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        Halt();
        return E_FAIL;
    }
    GstState state = GST_STATE_NULL;
    const GstStateChangeReturn reached =
        gst_element_get_state(pipeline_.get(), &state, nullptr, timeoutMs * GST_MSECOND);
    if (reached == GST_STATE_CHANGE_FAILURE || reached == GST_STATE_CHANGE_ASYNC ||
        state != GST_STATE_PLAYING) {
        Halt();
        return E_FAIL;
    }
    started_ = std::chrono::steady_clock::now();
    std::unique_lock lock(mutex_);
    ended_.wait_for(lock, std::chrono::milliseconds(firstSampleMs),
                    [this] { return sampled_ || streamEnded_; });
    return S_OK;
}

HRESULT GstWavRecording::StopWhenReady(int timeoutMs) {
    if (!pipeline_) return S_OK;
    const auto bound = std::chrono::milliseconds(timeoutMs);
    // The stream is continuous from its start, so its length says what is still due.
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    const auto due = static_cast<std::uint64_t>(std::max(0.0, elapsed - kLateAllowance) *
                                                source_.rate * source_.channels * 2);
    bool drained;
    {
        std::unique_lock lock(mutex_);
        ended_.wait_for(lock, bound, [&] {
            return streamEnded_ || sealed_ || writeFailed_ || bytesWritten_ >= due;
        });
        // A source that has stopped delivering holds its stream lock while it waits for
        // samples, and the end of the stream would wait for that lock for ever: such a
        // stream is simply stopped, with what it delivered.
        const bool flowing = streamEnded_ || bytesWritten_ >= due;
        lock.unlock();
        if (flowing) gst_element_send_event(pipeline_.get(), gst_event_new_eos());
        lock.lock();
        drained = flowing && ended_.wait_for(lock, bound, [this] { return streamEnded_; });
    }
    Halt();
    return drained ? S_OK : S_FALSE;
}

std::chrono::steady_clock::time_point GstWavRecording::firstSampleTime() const {
    return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(firstSampleNs_.load()));
}

void GstWavRecording::Halt() {
    if (pipeline_) {
        // Stopping joins the streaming thread, so the writer is ours alone afterwards.
        gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
        GstBusPtr bus(gst_element_get_bus(pipeline_.get()));
        gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
        pipeline_.reset();
    }
    writer_.Finish();
}

void GstWavRecording::Signal() {
    {
        std::lock_guard lock(mutex_);
        streamEnded_ = true;
    }
    ended_.notify_all();
}

GstFlowReturn GstWavRecording::OnSample(GstAppSink* sink, gpointer self) {
    auto* recording = static_cast<GstWavRecording*>(self);
    GstSamplePtr sample(gst_app_sink_pull_sample(sink));
    if (!sample) return GST_FLOW_EOS;
    if (recording->writeFailed_ || recording->sealed_) return GST_FLOW_OK;
    GstBuffer* buffer = gst_sample_get_buffer(sample.get());
    GstMapInfo map;
    if (!buffer || !gst_buffer_map(buffer, &map, GST_MAP_READ)) return GST_FLOW_OK;
    const bool written = recording->writer_.Append(map.data, map.size);
    gst_buffer_unmap(buffer, &map);
    if (written) {
        recording->bytesWritten_ += map.size;
        recording->ended_.notify_all();
        std::int64_t none = 0;
        if (recording->firstSampleNs_.compare_exchange_strong(none, SteadyNs())) {
            {
                std::lock_guard lock(recording->mutex_);
                recording->sampled_ = true;
            }
            recording->ended_.notify_all();
        }
    } else if (!recording->writeFailed_.exchange(true)) {
        // Keep capturing into nothing: the pipeline stays healthy until the window stops it.
        if (recording->failed_) recording->failed_(ResultOfErrno(recording->writer_.error()));
    }
    return GST_FLOW_OK;
}

void GstWavRecording::OnEos(GstAppSink*, gpointer self) {
    auto* recording = static_cast<GstWavRecording*>(self);
    // The take reaches the disk here, on the streaming thread, before anyone hears of its
    // end: the window's own flush at the stop then finds nothing left to do.
    recording->writer_.Sync();
    recording->Signal();
}

// The loudest channel's peak of one of the level stage's reports, kept for the window's
// meter to read.
void GstWavRecording::TakeLevel(const GstStructure* report) {
    // The level stage still hands its peaks over as a GValueArray, one per channel; the
    // type is known by name, since GLib deprecates its macro.
    const GValue* peaks = gst_structure_get_value(report, "peak");
    if (!peaks || std::strcmp(G_VALUE_TYPE_NAME(peaks), "GValueArray") != 0) return;
    const auto* channels = static_cast<const GValueArray*>(g_value_get_boxed(peaks));
    double loudest = kNoLevel;
    for (guint channel = 0; channels && channel < channels->n_values; ++channel) {
        const GValue* peak = &channels->values[channel];
        if (G_VALUE_HOLDS_DOUBLE(peak) && std::isfinite(g_value_get_double(peak)))
            loudest = std::max(loudest, g_value_get_double(peak));
    }
    peakDecibels_ = loudest;
}

GstBusSyncReply GstWavRecording::OnBusMessage(GstBus*, GstMessage* message, gpointer self) {
    const GstStructure* report = gst_message_get_structure(message);
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ELEMENT && report &&
        gst_structure_has_name(report, "level"))
        static_cast<GstWavRecording*>(self)->TakeLevel(report);
    // A stream that failed will never deliver its end: nobody should wait for it. Nobody
    // reads the bus otherwise, so nothing is left queued on it.
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        GError* rawError = nullptr;
        gst_message_parse_error(message, &rawError, nullptr);
        const GErrorPtr error(rawError);
        qCWarning(gstLog, "The recording failed: %s", error ? error->message : "");
        static_cast<GstWavRecording*>(self)->Signal();
    }
    // A dropped message is the handler's to release; it holds its source.
    gst_message_unref(message);
    return GST_BUS_DROP;
}

std::unique_ptr<WavRecording> MakeWavRecording(WavRecording::Source source, QString path,
                                               WavRecording::WriteFailed failed,
                                               std::uint64_t classicDataLimit) {
    EnsureGstInitialised();
    return std::make_unique<GstWavRecording>(std::move(source), std::move(path), std::move(failed),
                                             classicDataLimit);
}

bool CanRecordWav() {
    EnsureGstInitialised();
    for (const char* name : {"pulsesrc", "appsink", "capsfilter", "level"}) {
        if (!GstElementFactoryPtr(gst_element_factory_find(name))) return false;
    }
    return true;
}
