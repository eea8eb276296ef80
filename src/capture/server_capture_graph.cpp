#include "capture/server_capture_graph.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#include "capture/pulse_capture_filter.h"
#include "pulse/sound_server.h"
#include "services/window_messages.h"

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
    : server_(server), classicDataLimit_(classicDataLimit), mailbox_(std::make_unique<QObject>()) {
    QObject::connect(&server_, &SoundServer::modelChanged, mailbox_.get(),
                     [this] { WatchDevices(); });
    QObject::connect(&server_, &SoundServer::sourceRemoved, mailbox_.get(),
                     [this](const QString& name) {
                         if (!recording_ || recording_->source().device != name) return;
                         recording_->Seal();
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
    if (auto* device = dynamic_cast<PulseCaptureFilter*>(filter.get()))
        devicePresent_[device] = device->IsPresent();
    return S_OK;
}

HRESULT ServerCaptureGraph::RemoveFilter(const std::shared_ptr<MediaFilter>& filter) {
    const auto found = std::find(filters_.begin(), filters_.end(), filter);
    if (found == filters_.end()) return E_INVALIDARG;
    // Taking a filter out of the chain ends the recording it was part of.
    recording_.reset();
    devicePresent_.erase(dynamic_cast<PulseCaptureFilter*>(filter.get()));
    filters_.erase(found);
    return S_OK;
}

HRESULT ServerCaptureGraph::Render(const std::shared_ptr<Pin>& pin) {
    auto* output = dynamic_cast<PulseCaptureOutputPin*>(pin.get());
    auto* fileWriter = FindIn<FileWriterFilter>(filters_);
    if (!output || !fileWriter || !FindIn<WavDestFilter>(filters_) || fileWriter->path().isEmpty())
        return E_FAIL;
    const std::optional<CaptureSourceChoice> choice = output->filter()->Choice();
    if (!choice || choice->rate <= 0 || choice->channels <= 0) return E_FAIL;
    QObject* mailbox = mailbox_.get();
    auto failed = [mailbox, this](HRESULT result) {
        QMetaObject::invokeMethod(
            mailbox,
            [this, result] {
                Queue({EC_ERRORABORT, result, 0});
            },
            Qt::QueuedConnection);
    };
    recording_ =
        MakeWavRecording(WavRecording::Source{choice->source, choice->rate, choice->channels},
                         fileWriter->path(), failed, classicDataLimit_);
    if (running_) return recording_->Start(kStartTimeoutMs, kFirstSampleTimeoutMs);
    return S_OK;
}

HRESULT ServerCaptureGraph::QueryMediaControl(std::shared_ptr<CaptureControl>* control) {
    *control = shared_from_this();
    return S_OK;
}

HRESULT ServerCaptureGraph::QueryMediaEvent(std::shared_ptr<CaptureEvents>* events) {
    *events = shared_from_this();
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

HRESULT ServerCaptureGraph::SetNotifyWindow(QObject* window, int message, std::intptr_t instance) {
    notifyWindow_ = window;
    notifyMessage_ = message;
    notifyInstance_ = instance;
    return S_OK;
}

HRESULT ServerCaptureGraph::GetEvent(long* code, std::intptr_t* param1, std::intptr_t* param2,
                                     long) {
    // Events are queued on this thread only, so waiting could not bring a new one.
    if (events_.empty()) return E_ABORT;
    const Event event = events_.front();
    events_.pop_front();
    *code = event.code;
    *param1 = event.param1;
    *param2 = event.param2;
    return S_OK;
}

HRESULT ServerCaptureGraph::FreeEventParams(long, std::intptr_t, std::intptr_t) {
    return S_OK;
}

void ServerCaptureGraph::Queue(Event event) {
    events_.push_back(event);
    if (notifyWindow_) PostWindowMessage(notifyWindow_, notifyMessage_, 0, notifyInstance_);
}

void ServerCaptureGraph::WatchDevices() {
    const bool lost = std::exchange(recordedSourceLost_, false);
    for (auto& [device, present] : devicePresent_) {
        const bool now = !lost && device->IsPresent();
        if (now == present) continue;
        present = now;
        Queue({EC_DEVICE_LOST, 0, now ? 1 : 0});
    }
}
