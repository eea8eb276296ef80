#include "gst/gst_aligned_recording.h"

#include <gst/audio/audio.h>

#include <algorithm>
#include <cerrno>
#include <cmath>

#include "gst/gst_log.h"
#include "gst/steady_time.h"
#include "gst/write_error_result.h"
#include "services/capture_graph.h"

namespace {

// Until a song passes the tap the file takes the usual rate of a song; the first block
// gives it its own, before anything is written.
constexpr SongFormat kFallbackFormat{48000, 2};
// How often the writer looks for what can be placed, without being woken.
constexpr auto kWriterPeriod = std::chrono::milliseconds(20);

}  // namespace

GstAlignedRecording::GstAlignedRecording(Source microphone, QString path,
                                         AlignedRecordingOptions options, WriteFailed failed,
                                         std::uint64_t classicDataLimit)
    : microphone_(std::move(microphone)),
      path_(std::move(path)),
      options_(std::move(options)),
      failed_(std::move(failed)),
      mixFile_(classicDataLimit),
      voiceFile_(classicDataLimit) {
    mix_.SetOffsetNs(std::chrono::nanoseconds(options_.voiceOffset).count());
}

GstAlignedRecording::~GstAlignedRecording() {
    StopWhenReady(0);
}

bool GstAlignedRecording::OpenFiles(SongFormat format) {
    fileFormat_ = format;
    if (!mixFile_.Open(path_.toStdString(), format.rate, format.channels)) return false;
    if (!options_.voicePath.isEmpty() &&
        !voiceFile_.Open(options_.voicePath.toStdString(), format.rate, 1)) {
        const int failure = voiceFile_.error();
        mixFile_.Finish();
        errno = failure;
        return false;
    }
    return true;
}

HRESULT GstAlignedRecording::Start(int timeoutMs, int) {
    const SongFormat last = LastSongFormat();
    if (!OpenFiles(last.rate > 0 ? last : kFallbackFormat)) {
        const int failure = mixFile_.error() ? mixFile_.error() : voiceFile_.error();
        return ResultOfErrno(failure ? failure : errno);
    }
    // A microphone that cannot be opened leaves the song to be recorded alone.
    if (microphone_.device.isEmpty() || !StartMicrophone(timeoutMs)) {
        StopMicrophone();
        mix_.EndVoice();
    }
    writer_ = std::thread([this] { RunWriter(); });
    ListenToSong(this);
    return S_OK;
}

bool GstAlignedRecording::StartMicrophone(int timeoutMs) {
    pipeline_ = AdoptElement(gst_pipeline_new("voice"));
    capture_ = AdoptElement(gst_element_factory_make("pulsesrc", "microphone"));
    const GstElementPtr convert = AdoptElement(gst_element_factory_make("audioconvert", nullptr));
    const GstElementPtr format = AdoptElement(gst_element_factory_make("capsfilter", nullptr));
    const GstElementPtr sink = AdoptElement(gst_element_factory_make("appsink", nullptr));
    if (!pipeline_ || !capture_ || !convert || !format || !sink) return false;
    // Blocks of 10 ms: with 20 ms ones a block came on time too late to be learnt from in
    // one take of twelve, whose voice lay 5.3 ms off; they would save a fifth of the CPU.
    g_object_set(capture_.get(), "device", microphone_.device.toUtf8().constData(), "client-name",
                 "Tarvelo", "latency-time", gint64{10000}, nullptr);
    const GstCapsPtr caps(gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "F32LE",
                                              "layout", G_TYPE_STRING, "interleaved", nullptr));
    g_object_set(format.get(), "caps", caps.get(), nullptr);
    g_object_set(sink.get(), "sync", FALSE, "async", FALSE, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = &GstAlignedRecording::OnVoiceSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink.get()), &callbacks, this, nullptr);
    gst_bin_add_many(GST_BIN(pipeline_.get()), capture_.get(), convert.get(), format.get(),
                     sink.get(), nullptr);
    // The steady clock: the voice's capture times then compare with the song's.
    GstClock* steady = gst_system_clock_obtain();
    g_object_set(steady, "clock-type", GST_CLOCK_TYPE_MONOTONIC, nullptr);
    gst_pipeline_use_clock(GST_PIPELINE(pipeline_.get()), steady);
    gst_object_unref(steady);
    const GstBusPtr bus(gst_element_get_bus(pipeline_.get()));
    gst_bus_set_sync_handler(bus.get(), &GstAlignedRecording::OnBusMessage, this, nullptr);
    if (!gst_element_link_many(capture_.get(), convert.get(), format.get(), sink.get(), nullptr) ||
        gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        return false;
    GstState state = GST_STATE_NULL;
    const GstStateChangeReturn reached =
        gst_element_get_state(pipeline_.get(), &state, nullptr, timeoutMs * GST_MSECOND);
    return reached != GST_STATE_CHANGE_FAILURE && reached != GST_STATE_CHANGE_ASYNC &&
           state == GST_STATE_PLAYING;
}

void GstAlignedRecording::StopMicrophone() {
    if (!pipeline_) return;
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    const GstBusPtr bus(gst_element_get_bus(pipeline_.get()));
    gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
    capture_.reset();
    pipeline_.reset();
}

HRESULT GstAlignedRecording::StopWhenReady(int) {
    StopListeningToSong(this);
    // The voice of the song's last moments is in by now: the graph waits out the output's
    // latency before it stops.
    StopMicrophone();
    if (writer_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        writer_.join();
    }
    mixFile_.Finish();
    voiceFile_.Finish();
    return S_OK;
}

void GstAlignedRecording::Seal() {
    if (sealed_.exchange(true)) return;
    {
        std::lock_guard lock(mutex_);
        mix_.EndVoice();
    }
    changed_.notify_all();
}

double GstAlignedRecording::peakDecibels() const {
    const double peak = peak_;
    return peak > 0 ? 20 * std::log10(peak) : kNoLevel;
}

std::chrono::steady_clock::time_point GstAlignedRecording::firstSampleTime() const {
    return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(firstSampleNs_.load()));
}

StreamLatencies GstAlignedRecording::latencies() const {
    return {std::chrono::nanoseconds(outputLatencyNs_.load()),
            std::chrono::nanoseconds(captureLatencyNs_.load())};
}

// The writer looks every few milliseconds on its own: waking it for every block would
// cost more than it gains.
void GstAlignedRecording::OnSongBlock(const SongBlock& block) {
    std::lock_guard lock(mutex_);
    mix_.AddSong(block);
}

void GstAlignedRecording::OnSongClock(const SongClock& clock) {
    outputLatencyNs_ = clock.outputLatencyNs;
    std::lock_guard lock(mutex_);
    mix_.SetSongClock(clock);
}

GstFlowReturn GstAlignedRecording::OnVoiceSample(GstAppSink* sink, gpointer self) {
    const std::int64_t arrived = SteadyNs();
    auto* recording = static_cast<GstAlignedRecording*>(self);
    const GstSamplePtr sample(gst_app_sink_pull_sample(sink));
    if (!sample) return GST_FLOW_EOS;
    GstBuffer* buffer = gst_sample_get_buffer(sample.get());
    GstAudioInfo info;
    GstMapInfo map;
    if (!buffer || !GST_BUFFER_PTS_IS_VALID(buffer) ||
        !gst_audio_info_from_caps(&info, gst_sample_get_caps(sample.get())) ||
        !gst_buffer_map(buffer, &map, GST_MAP_READ))
        return GST_FLOW_OK;
    GstElement* pipeline = recording->pipeline_.get();
    VoiceClock& clock = recording->voiceClock_;
    const std::int64_t correctedBefore = clock.correctionNs();
    const std::int64_t captured = clock.Place(
        static_cast<std::int64_t>(gst_element_get_base_time(pipeline) + GST_BUFFER_PTS(buffer)),
        arrived);
    GstAudioRingBuffer* ring = GST_AUDIO_BASE_SRC(recording->capture_.get())->ringbuffer;
    if (ring && GST_AUDIO_INFO_RATE(&info) > 0)
        recording->captureLatencyNs_ =
            static_cast<std::int64_t>(gst_audio_ring_buffer_delay(ring)) * GST_SECOND /
            GST_AUDIO_INFO_RATE(&info);
    {
        std::lock_guard lock(recording->mutex_);
        recording->mix_.MoveVoice(clock.correctionNs() - correctedBefore);
        recording->mix_.HoldUntil(clock.learntAtNs());
        recording->mix_.AddVoice(reinterpret_cast<const float*>(map.data),
                                 map.size / GST_AUDIO_INFO_BPF(&info), GST_AUDIO_INFO_RATE(&info),
                                 GST_AUDIO_INFO_CHANNELS(&info), captured);
    }
    gst_buffer_unmap(buffer, &map);
    return GST_FLOW_OK;
}

GstBusSyncReply GstAlignedRecording::OnBusMessage(GstBus*, GstMessage* message, gpointer self) {
    // A microphone that fails gives no more voice; the song goes on.
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        GError* rawError = nullptr;
        gst_message_parse_error(message, &rawError, nullptr);
        const GErrorPtr error(rawError);
        qCWarning(gstLog, "The microphone failed: %s", error ? error->message : "");
        static_cast<GstAlignedRecording*>(self)->Seal();
    }
    gst_message_unref(message);
    return GST_BUS_DROP;
}

void GstAlignedRecording::RunWriter() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait_for(lock, kWriterPeriod);
        const bool final = stopping_;
        if (options_.level) mix_.SetGain(options_.level->load());
        const SongFormat format = mix_.format();
        // The file takes the song's own format, before its first frame.
        if (format.rate > 0 && firstSampleNs_ == 0 &&
            (format.rate != fileFormat_.rate || format.channels != fileFormat_.channels) &&
            !OpenFiles(format) && !writeFailed_.exchange(true) && failed_)
            failed_(ResultOfErrno(errno));
        std::vector<std::int16_t> mixed;
        std::vector<std::int16_t> voice;
        mix_.Mix(SteadyNs(), final, [&](auto mixPart, auto voicePart) {
            mixed.assign(mixPart.begin(), mixPart.end());
            voice.assign(voicePart.begin(), voicePart.end());
        });
        peak_ = mix_.lastPeak();
        // The disk is written to without holding up the song's thread.
        if (!voice.empty()) {
            lock.unlock();
            WriteOut(mixed, voice);
            lock.lock();
        }
        if (final) return;
    }
}

void GstAlignedRecording::WriteOut(std::span<const std::int16_t> mix,
                                   std::span<const std::int16_t> voice) {
    if (writeFailed_) return;
    std::int64_t none = 0;
    firstSampleNs_.compare_exchange_strong(none, SteadyNs());
    const bool written =
        mixFile_.Append(mix.data(), mix.size_bytes()) &&
        (options_.voicePath.isEmpty() || voiceFile_.Append(voice.data(), voice.size_bytes()));
    if (written || writeFailed_.exchange(true)) return;
    const int failure = mixFile_.error() ? mixFile_.error() : voiceFile_.error();
    if (failed_) failed_(ResultOfErrno(failure));
}

std::unique_ptr<WavRecording> MakeAlignedRecording(WavRecording::Source microphone, QString path,
                                                   AlignedRecordingOptions options,
                                                   WavRecording::WriteFailed failed,
                                                   std::uint64_t classicDataLimit) {
    EnsureGstInitialised();
    return std::make_unique<GstAlignedRecording>(std::move(microphone), std::move(path),
                                                 std::move(options), std::move(failed),
                                                 classicDataLimit);
}
