#include "fakes/fake_capture.h"

#include <algorithm>

namespace {

class FakePinList final : public PinEnumerator {
  public:
    FakePinList(std::vector<std::shared_ptr<Pin>> pins, HRESULT end)
        : pins_(std::move(pins)), end_(end) {}
    HRESULT Reset() override {
        next_ = 0;
        return S_OK;
    }
    HRESULT Next(std::shared_ptr<Pin>* pin) override {
        if (next_ >= pins_.size()) return end_;
        *pin = pins_[next_++];
        return S_OK;
    }

  private:
    std::vector<std::shared_ptr<Pin>> pins_;
    HRESULT end_;
    std::size_t next_ = 0;
};

class FakeMonikerList final : public MonikerEnumerator {
  public:
    explicit FakeMonikerList(std::vector<std::shared_ptr<FakeDevice>> devices)
        : devices_(std::move(devices)) {}
    HRESULT Next(std::shared_ptr<DeviceMoniker>* moniker) override {
        if (next_ >= devices_.size()) return S_FALSE;
        *moniker = devices_[next_++];
        return S_OK;
    }

  private:
    std::vector<std::shared_ptr<FakeDevice>> devices_;
    std::size_t next_ = 0;
};

class FakeDeviceEnumerator final : public DeviceEnumerator {
  public:
    explicit FakeDeviceEnumerator(FakeCaptureSystem& system) : system_(system) {}
    HRESULT CreateClassEnumerator(std::shared_ptr<MonikerEnumerator>* devices) override {
        if (FAILED(system_.classEnumeratorResult)) return system_.classEnumeratorResult;
        if (system_.devices.empty()) return S_FALSE;
        *devices = std::make_shared<FakeMonikerList>(system_.devices);
        return S_OK;
    }

  private:
    FakeCaptureSystem& system_;
};

class FakeBuilder final : public CaptureGraphBuilder {
  public:
    HRESULT SetFiltergraph(const std::shared_ptr<FilterGraph>&) override { return S_OK; }
};

class FakeWavDest final : public MediaFilter {
  public:
    HRESULT EnumPins(std::shared_ptr<PinEnumerator>*) override { return E_NOTIMPL; }
};

}  // namespace

HRESULT FakeInputMixer::put_Enable(bool enable) {
    enabled = enable;
    ++enableCalls;
    return S_OK;
}

HRESULT FakeInputMixer::get_MixLevel(double* result) {
    if (FAILED(levelResult)) return levelResult;
    *result = level;
    return S_OK;
}

HRESULT FakeInputMixer::put_MixLevel(double value) {
    level = value;
    levelsSet.push_back(value);
    return S_OK;
}

HRESULT FakePin::QueryDirection(PinDirection* result) {
    if (directionFails) return E_FAIL;
    *result = direction;
    return S_OK;
}

HRESULT FakePin::QueryPinInfo(QString* result) {
    *result = name;
    return S_OK;
}

HRESULT FakeCaptureFilter::EnumPins(std::shared_ptr<PinEnumerator>* result) {
    if (FAILED(enumResult)) return enumResult;
    *result = std::make_shared<FakePinList>(
        std::vector<std::shared_ptr<Pin>>(pins.begin(), pins.end()), endResult);
    return S_OK;
}

HRESULT FakeDevice::ReadFriendlyName(QString* result) {
    if (FAILED(nameResult)) return nameResult;
    *result = name;
    return S_OK;
}

HRESULT FakeDevice::BindToObject(std::shared_ptr<MediaFilter>* result) {
    ++binds;
    if (FAILED(bindResult)) return bindResult;
    *result = filter;
    return S_OK;
}

FakePin& FakeDevice::AddInput(const QString& pinName) {
    auto pin = std::make_shared<FakePin>();
    pin->name = pinName;
    filter->pins.push_back(pin);
    return *pin;
}

HRESULT FakeBranchFilter::SetMode(int value) {
    mode = value;
    return S_OK;
}

HRESULT FakeBranchFilter::SetFileName(const QString& value) {
    path = value;
    return S_OK;
}

HRESULT FakeCaptureGraph::AddFilter(const std::shared_ptr<MediaFilter>& filter,
                                    const QString& name) {
    added.push_back(name);
    filters.emplace_back(name, filter);
    return S_OK;
}

HRESULT FakeCaptureGraph::RemoveFilter(const std::shared_ptr<MediaFilter>& filter) {
    const auto found = std::find_if(filters.begin(), filters.end(),
                                    [&](const auto& entry) { return entry.second == filter; });
    if (found == filters.end()) return E_INVALIDARG;
    removed.push_back(found->first);
    filters.erase(found);
    return S_OK;
}

HRESULT FakeCaptureGraph::Render(const std::shared_ptr<Pin>& pin) {
    rendered = pin;
    return renderResult;
}

HRESULT FakeCaptureGraph::QueryMediaControl(std::shared_ptr<CaptureControl>* control) {
    *control = shared_from_this();
    return S_OK;
}

HRESULT FakeCaptureGraph::QueryMediaEvent(std::shared_ptr<CaptureEvents>* result) {
    *result = std::shared_ptr<CaptureEvents>(shared_from_this(), &events);
    return S_OK;
}

HRESULT FakeCaptureGraph::Run() {
    ++runs;
    if (journal) journal->push_back("capture:Run");
    return runResult;
}

HRESULT FakeCaptureGraph::StopWhenReady() {
    ++stopsWhenReady;
    if (journal) journal->push_back("capture:StopWhenReady");
    return S_OK;
}

HRESULT FakeCaptureGraph::Stop() {
    ++stops;
    return S_OK;
}

HRESULT FakeCaptureGraph::GetPeakLevel(double* decibels) {
    *decibels = peakDecibels;
    return S_OK;
}

HRESULT FakeCaptureSystem::CreateDeviceEnumerator(std::shared_ptr<DeviceEnumerator>* enumerator) {
    if (FAILED(enumeratorResult)) return enumeratorResult;
    *enumerator = std::make_shared<FakeDeviceEnumerator>(*this);
    return S_OK;
}

HRESULT FakeCaptureSystem::CreateFilterGraph(std::shared_ptr<FilterGraph>* graph) {
    if (FAILED(graphResult)) return graphResult;
    graphs.push_back(std::make_shared<FakeCaptureGraph>());
    graphs.back()->journal = journal;
    *graph = graphs.back();
    return S_OK;
}

HRESULT FakeCaptureSystem::CreateCaptureGraphBuilder(
    std::shared_ptr<CaptureGraphBuilder>* builder) {
    *builder = std::make_shared<FakeBuilder>();
    return S_OK;
}

HRESULT FakeCaptureSystem::CreateWavDest(std::shared_ptr<MediaFilter>* filter) {
    if (wavDestMissing) return E_NOINTERFACE;
    *filter = std::make_shared<FakeWavDest>();
    return S_OK;
}

HRESULT FakeCaptureSystem::CreateFileWriter(std::shared_ptr<FileSinkFilter>* sink) {
    fileWriters.push_back(std::make_shared<FakeBranchFilter>());
    *sink = fileWriters.back();
    return S_OK;
}

FakeDevice& FakeCaptureSystem::AddDevice(const QString& name) {
    auto device = std::make_shared<FakeDevice>();
    device->name = name;
    auto output = std::make_shared<FakePin>();
    output->name = "Capture";
    output->direction = PinDirection::Output;
    output->mixer.reset();
    device->filter->pins.push_back(output);
    devices.push_back(device);
    return *device;
}
