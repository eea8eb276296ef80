#pragma once

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "desktop/graph_event_queue.h"
#include "services/capture_graph.h"

// Fakes of the capture side: devices and their pins as the test describes them, and a
// graph that records what was asked of it. Each fake answers what the test scripted.

struct FakeInputMixer final : AudioInputMixer {
    HRESULT put_Enable(bool enable) override;
    HRESULT get_MixLevel(double* level) override;
    HRESULT put_MixLevel(double level) override;

    bool enabled = false;
    int enableCalls = 0;
    double level = 1.0;
    HRESULT levelResult = S_OK;
    std::vector<double> levelsSet;
};

struct FakePin final : Pin {
    HRESULT QueryDirection(PinDirection* result) override;
    HRESULT QueryPinInfo(QString* result) override;
    InputKind QueryInputKind() override { return kind; }
    std::shared_ptr<AudioInputMixer> QueryAudioInputMixer() override { return mixer; }

    QString name;
    InputKind kind = InputKind::Unknown;
    PinDirection direction = PinDirection::Input;
    bool directionFails = false;
    std::shared_ptr<FakeInputMixer> mixer = std::make_shared<FakeInputMixer>();
};

struct FakeCaptureFilter final : MediaFilter {
    HRESULT EnumPins(std::shared_ptr<PinEnumerator>* result) override;

    std::vector<std::shared_ptr<FakePin>> pins;
    HRESULT enumResult = S_OK;
    HRESULT endResult = S_FALSE;  // the enumerator's answer after the last pin
};

struct FakeDevice final : DeviceMoniker {
    HRESULT ReadFriendlyName(QString* result) override;
    HRESULT BindToObject(std::shared_ptr<MediaFilter>* result) override;
    HRESULT ReadStableName(QString* result) override {
        if (stableName.isEmpty()) return E_NOTIMPL;
        *result = stableName;
        return S_OK;
    }

    QString name;
    QString stableName;
    HRESULT nameResult = S_OK;
    HRESULT bindResult = S_OK;
    std::shared_ptr<FakeCaptureFilter> filter = std::make_shared<FakeCaptureFilter>();
    int binds = 0;

    // An input pin with a mixer, appended after the pins already there.
    FakePin& AddInput(const QString& pinName);
};

struct FakeBranchFilter final : FileSinkFilter {
    HRESULT EnumPins(std::shared_ptr<PinEnumerator>*) override { return E_NOTIMPL; }
    HRESULT SetMode(int value) override;
    HRESULT SetFileName(const QString& value) override;
    int mode = 0;
    QString path;
};

struct GraphEvent {
    long code;
    std::intptr_t param1;
    std::intptr_t param2;
};

// The capture graph's event queue, counting the events freed.
struct FakeCaptureEvents final : GraphEventQueue {
    HRESULT FreeEventParams(long, std::intptr_t, std::intptr_t) override {
        ++freed;
        return S_OK;
    }
    int freed = 0;
};

class FakeCaptureGraph final : public FilterGraph,
                               public CaptureControl,
                               public std::enable_shared_from_this<FakeCaptureGraph> {
  public:
    HRESULT AddFilter(const std::shared_ptr<MediaFilter>& filter, const QString& name) override;
    HRESULT RemoveFilter(const std::shared_ptr<MediaFilter>& filter) override;
    HRESULT Render(const std::shared_ptr<Pin>& pin) override;
    HRESULT QueryMediaControl(std::shared_ptr<CaptureControl>* control) override;
    HRESULT QueryMediaEvent(std::shared_ptr<CaptureEvents>* events) override;
    HRESULT Run() override;
    HRESULT StopWhenReady() override;
    HRESULT Stop() override;
    HRESULT GetPeakLevel(double* decibels) override;

    // Queues an event and notifies the window, as the real graph's threads would.
    void Post(GraphEvent event) { events.Push(event.code, event.param1, event.param2); }

    std::vector<QString> added;    // names, in order
    std::vector<QString> removed;  // names of removed filters, in order
    std::vector<std::pair<QString, std::shared_ptr<MediaFilter>>> filters;
    std::shared_ptr<Pin> rendered;
    HRESULT runResult = S_OK;
    HRESULT renderResult = S_OK;
    int runs = 0;
    int stopsWhenReady = 0;
    int stops = 0;
    double peakDecibels = -1000;  // what the input's meter reads
    FakeCaptureEvents events;
    // Shared with the playback graphs' fakes: "capture:<call>" for Run and the stops.
    std::shared_ptr<std::vector<std::string>> journal;
};

class FakeCaptureSystem final : public CaptureSystem {
  public:
    HRESULT CreateDeviceEnumerator(std::shared_ptr<DeviceEnumerator>* enumerator) override;
    HRESULT CreateFilterGraph(std::shared_ptr<FilterGraph>* graph) override;
    HRESULT CreateCaptureGraphBuilder(std::shared_ptr<CaptureGraphBuilder>* builder) override;
    HRESULT CreateWavDest(std::shared_ptr<MediaFilter>* filter) override;
    HRESULT CreateFileWriter(std::shared_ptr<FileSinkFilter>* sink) override;
    void SetVoiceTiming(const VoiceTiming& timing) override { voiceTiming = timing; }
    HRESULT MeasureVoiceOffset(int* offsetMs) override {
        *offsetMs = measuredOffsetMs;
        return measureAnswer;
    }

    VoiceTiming voiceTiming;
    HRESULT measureAnswer = S_OK;
    int measuredOffsetMs = 0;

    FakeDevice& AddDevice(const QString& name);
    // The newest graph created, or null.
    FakeCaptureGraph* graph() const { return graphs.empty() ? nullptr : graphs.back().get(); }

    std::vector<std::shared_ptr<FakeDevice>> devices;
    HRESULT enumeratorResult = S_OK;
    HRESULT classEnumeratorResult = S_OK;
    HRESULT graphResult = S_OK;
    bool wavDestMissing = false;
    std::vector<std::shared_ptr<FakeCaptureGraph>> graphs;
    std::vector<std::shared_ptr<FakeBranchFilter>> fileWriters;
    std::shared_ptr<std::vector<std::string>> journal;
};
