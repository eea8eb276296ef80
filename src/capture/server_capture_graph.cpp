#include "capture/server_capture_graph.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#include "capture/aligned_capture_filter.h"
#include "capture/pulse_capture_filter.h"
#include "pulse/capture_inputs.h"
#include "pulse/sound_server.h"

namespace {

// Bounds for the pipeline to start, and for the captured tail to reach the file.
constexpr int kStartTimeoutMs = 3000;
constexpr int kDrainTimeoutMs = 2000;
// The song starts only once the capture flows, so its first moments are not lost; a
// server that hands audio out late still keeps it continuous from the capture's start,
// so the wait stays short and the song's onset close to the file's start.
constexpr int kFirstSampleTimeoutMs = 100;
// What the output mix carries lags what players hand the server by the server's latency:
// a stop at the end of a song still records the song's last moments.
constexpr auto kTail = std::chrono::milliseconds(200);

class WavDestFilter final : public MediaFilter {
  public:
    HRESULT EnumPins(std::shared_ptr<PinEnumerator>*) override { return E_NOTIMPL; }
};

class FileWriterFilter final : public FileSinkFilter {
  public:
    HRESULT EnumPins(std::shared_ptr<PinEnumerator>*) override { return E_NOTIMPL; }
    HRESULT SetMode(int mode) override { return mode == AM_FILE_OVERWRITE ? S_OK : E_INVALIDARG; }
    HRESULT SetFileName(const QString& path) override {
        if (path.isEmpty()) return E_INVALIDARG;
        path_ = path;
        return S_OK;
    }
    const QString& path() const { return path_; }

  private:
    QString path_;
};

// "<name> (voice).wav" beside the mix.
QString VoicePathBeside(const QString& mixPath) {
    QString base = mixPath;
    if (base.endsWith(QStringLiteral(".wav"), Qt::CaseInsensitive)) base.chop(4);
    return base + QStringLiteral(" (voice).wav");
}

template <typename T>
T* FindIn(const std::vector<std::shared_ptr<MediaFilter>>& filters) {
    for (const auto& filter : filters) {
        if (auto* found = dynamic_cast<T*>(filter.get())) return found;
    }
    return nullptr;
}

}  // namespace

std::shared_ptr<MediaFilter> MakeWavDest() {
    return std::make_shared<WavDestFilter>();
}
std::shared_ptr<FileSinkFilter> MakeFileWriter() {
    return std::make_shared<FileWriterFilter>();
}

ServerCaptureGraph::ServerCaptureGraph(SoundServer& server, std::uint64_t classicDataLimit)
    : server_(server), classicDataLimit_(classicDataLimit) {
    QObject::connect(&server_, &SoundServer::modelChanged, &receiver_, [this] { WatchDevices(); });
    QObject::connect(&server_, &SoundServer::sourceRemoved, &receiver_,
                     [this](const QString& name) {
                         if (!recording_ || recording_->source().device != name) return;
                         recording_->Seal();
                         // The song and microphone input records the song on alone.
                         if (recording_->keepsOnWithoutSource()) {
                             if (running_ && !std::exchange(microphoneLostTold_, true))
                                 events_.Push(EC_MICROPHONE_LOST, 0, 0);
                             return;
                         }
                         // Reported even when the source is back at once (a card that
                         // switches its profile): the recording has ended here.
                         recordedSourceLost_ = running_;
                     });
}

ServerCaptureGraph::~ServerCaptureGraph() {
    recording_.reset();
}

HRESULT ServerCaptureGraph::AddFilter(const std::shared_ptr<MediaFilter>& filter, const QString&) {
    if (!filter) return E_POINTER;
    filters_.push_back(filter);
    if (auto* device = dynamic_cast<ServerDeviceFilter*>(filter.get()))
        devicePresent_[device] = device->IsPresent();
    return S_OK;
}

HRESULT ServerCaptureGraph::RemoveFilter(const std::shared_ptr<MediaFilter>& filter) {
    const auto found = std::find(filters_.begin(), filters_.end(), filter);
    if (found == filters_.end()) return E_INVALIDARG;
    // Taking a filter out of the chain ends the recording it was part of.
    recording_.reset();
    devicePresent_.erase(dynamic_cast<ServerDeviceFilter*>(filter.get()));
    filters_.erase(found);
    return S_OK;
}

HRESULT ServerCaptureGraph::Render(const std::shared_ptr<Pin>& pin) {
    auto* output = dynamic_cast<PulseCaptureOutputPin*>(pin.get());
    auto* aligned = dynamic_cast<AlignedOutputPin*>(pin.get());
    auto* fileWriter = FindIn<FileWriterFilter>(filters_);
    if ((!output && !aligned) || !fileWriter || !FindIn<WavDestFilter>(filters_) ||
        fileWriter->path().isEmpty())
        return E_FAIL;
    if (aligned) return RenderAligned(*aligned->filter(), fileWriter->path());
    const std::optional<CaptureSourceChoice> choice = output->filter()->Choice();
    if (!choice || choice->rate <= 0 || choice->channels <= 0) return E_FAIL;
    // The streaming thread queues the failure itself; the recording ends before the queue.
    auto failed = [this](HRESULT result) { events_.Push(EC_ERRORABORT, result); };
    recording_ =
        MakeWavRecording(WavRecording::Source{choice->source, choice->rate, choice->channels},
                         fileWriter->path(), failed, classicDataLimit_);
    if (running_) return recording_->Start(kStartTimeoutMs, kFirstSampleTimeoutMs);
    return S_OK;
}

HRESULT ServerCaptureGraph::RenderAligned(const AlignedCaptureFilter& filter, const QString& path) {
    const AlignedInputState& state = *filter.state();
    WavRecording::Source microphone;
    if (const SoundDevice* found = ProgramMicrophone(server_.model()))
        microphone = {found->name, found->rate, found->channels};
    AlignedRecordingOptions options{std::chrono::milliseconds(state.timing.offsetMs),
                                    state.timing.keepVoiceTrack ? VoicePathBeside(path) : QString(),
                                    state.level};
    auto failed = [this](HRESULT result) { events_.Push(EC_ERRORABORT, result); };
    recording_ = MakeAlignedRecording(std::move(microphone), path, std::move(options), failed,
                                      classicDataLimit_);
    microphoneLostTold_ = false;
    if (running_) return recording_->Start(kStartTimeoutMs, kFirstSampleTimeoutMs);
    return S_OK;
}

HRESULT ServerCaptureGraph::QueryMediaControl(std::shared_ptr<CaptureControl>* control) {
    *control = shared_from_this();
    return S_OK;
}

HRESULT ServerCaptureGraph::QueryMediaEvent(std::shared_ptr<CaptureEvents>* events) {
    // The queue lives as long as the graph; the holder keeps the graph alive.
    *events = std::shared_ptr<CaptureEvents>(shared_from_this(), &events_);
    return S_OK;
}

HRESULT ServerCaptureGraph::Run() {
    if (recording_) {
        const HRESULT result = recording_->Start(kStartTimeoutMs, kFirstSampleTimeoutMs);
        if (FAILED(result)) return result;
    }
    running_ = true;
    return S_OK;
}

HRESULT ServerCaptureGraph::StopWhenReady() {
    running_ = false;
    if (!recording_) return S_OK;
    std::this_thread::sleep_for(kTail);
    return recording_->StopWhenReady(kDrainTimeoutMs);
}

// Even a plain stop keeps what was captured: the tail is drained into the file first.
HRESULT ServerCaptureGraph::Stop() {
    return StopWhenReady();
}

HRESULT ServerCaptureGraph::GetPeakLevel(double* decibels) {
    if (!decibels) return E_POINTER;
    if (!running_ || !recording_) return E_FAIL;
    *decibels = recording_->peakDecibels();
    return S_OK;
}

void ServerCaptureGraph::WatchDevices() {
    // A recording whose source went is reported removed even when the source is back
    // already, and then back.
    if (std::exchange(recordedSourceLost_, false)) {
        for (auto& [device, present] : devicePresent_) {
            if (!std::exchange(present, false)) continue;
            events_.Push(EC_DEVICE_LOST, 0, 0);
        }
    }
    for (auto& [device, present] : devicePresent_) {
        const bool now = device->IsPresent();
        if (now == present) continue;
        present = now;
        events_.Push(EC_DEVICE_LOST, 0, now ? 1 : 0);
    }
}
