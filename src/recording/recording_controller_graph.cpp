#include <QComboBox>
#include <QLineEdit>

#include "core/main_controls.h"
#include "core/output_naming.h"
#include "platform/platform.h"
#include "recording/capture_log.h"
#include "recording/recording_controller.h"
#include "services/message_boxes.h"
#include "services/window_messages.h"

HRESULT RecordingController::BuildBaseGraph() {
    CaptureSystem& capture = *platform_.capture;
    if (FAILED(capture.CreateFilterGraph(&recorder_.graph)) || !recorder_.graph)
        return E_NOINTERFACE;
    if (FAILED(capture.CreateCaptureGraphBuilder(&recorder_.captureBuilder)) ||
        !recorder_.captureBuilder)
        return E_NOINTERFACE;
    HRESULT hr = recorder_.captureBuilder->SetFiltergraph(recorder_.graph);
    if (FAILED(hr)) return hr;
    hr = recorder_.graph->QueryMediaControl(&recorder_.control);
    if (FAILED(hr)) {
        qCDebug(captureLog, "FAILED(0x%x) querying the media control", unsigned(hr));
        return hr;
    }
    hr = recorder_.graph->QueryMediaEvent(&recorder_.events);
    if (FAILED(hr)) {
        qCDebug(captureLog, "FAILED(0x%x) querying the media events", unsigned(hr));
        return hr;
    }
    return recorder_.events->SetNotifyWindow(&window_, WM_GRAPHNOTIFY_CAPTURE, 0);
}

void RecordingController::ReleaseCaptureGraph() {
    if (recorder_.events) recorder_.events->SetNotifyWindow(nullptr, 0, 0);
    if (lostGraphEvents_) lostGraphEvents_->SetNotifyWindow(nullptr, 0, 0);
    lostGraphEvents_.reset();
    recorder_.control.reset();
    recorder_.events.reset();
    recorder_.fileWriter.reset();
    recorder_.wavDest.reset();
    recorder_.captureFilter.reset();
    recorder_.graph.reset();
    recorder_.captureBuilder.reset();
}

void RecordingController::StopCaptureGraph() {
    if (recorder_.control) recorder_.control->Stop();
}

void RecordingController::TearDownCaptureGraph() {
    ReleaseDeviceList();
    controls_.inputList().clear();
    RemoveRecordingBranch();
    ReleaseCaptureGraph();
}

void RecordingController::ResetCaptureGraph() {
    recorder_ = RecorderGraph();
    host_.ShowOutputPath();
}

HRESULT RecordingController::AddRecordingBranch() {
    // Without a graph (the device was removed) there is nothing to record into.
    if (!recorder_.graph) return E_POINTER;
    CaptureSystem& capture = *platform_.capture;
    if (FAILED(capture.CreateWavDest(&recorder_.wavDest)) || !recorder_.wavDest) {
        platform_.messages->Show(
            &window_,
            "The program does not detect its file writer. Please install the program again!",
            "Error", MB_OK);
        return E_NOINTERFACE;
    }
    std::shared_ptr<FileSinkFilter> sink;
    if (FAILED(capture.CreateFileWriter(&sink)) || !sink) return E_NOINTERFACE;
    recorder_.fileWriter = sink;

    HRESULT hr = recorder_.graph->AddFilter(recorder_.wavDest, "WAV Dest");
    if (FAILED(hr)) return hr;
    hr = recorder_.graph->AddFilter(recorder_.fileWriter, "File Writer");
    if (FAILED(hr)) return hr;
    sink->SetMode(AM_FILE_OVERWRITE);

    const QString path = RecordingPath();
    hr = sink->SetFileName(path);
    if (FAILED(hr)) return hr;
    recordingPath_ = path;

    std::shared_ptr<Pin> pin;
    hr = GetPin(recorder_.captureFilter, PinDirection::Output, 0, &pin);
    if (pin) hr = recorder_.graph->Render(pin);
    return hr;
}

QString RecordingController::RecordingPath() const {
    const QString path = controls_.outputPathBox().text();
    return path.isEmpty() ? HomeFolder() + "karaoke.wav" : path;
}

HRESULT RecordingController::RemoveRecordingBranch() {
    HRESULT hr = S_OK;
    if (recorder_.wavDest) {
        hr = recorder_.graph ? recorder_.graph->RemoveFilter(recorder_.wavDest) : S_OK;
        recorder_.wavDest.reset();
    }
    if (recorder_.fileWriter) {
        hr = recorder_.graph ? recorder_.graph->RemoveFilter(recorder_.fileWriter) : S_OK;
        recorder_.fileWriter.reset();
    }
    return hr;
}

HRESULT RecordingController::GetPin(const std::shared_ptr<MediaFilter>& filter,
                                    PinDirection direction, int n, std::shared_ptr<Pin>* pin) {
    if (!filter) return E_POINTER;
    std::shared_ptr<PinEnumerator> pins;
    HRESULT hr = filter->EnumPins(&pins);
    if (FAILED(hr) || !pins) return FAILED(hr) ? hr : E_FAIL;
    std::shared_ptr<Pin> candidate;
    while (pins->Next(&candidate) == S_OK) {
        PinDirection candidateDirection;
        if (SUCCEEDED(candidate->QueryDirection(&candidateDirection)) &&
            candidateDirection == direction && n-- == 0) {
            *pin = candidate;
            return S_OK;
        }
        candidate.reset();
    }
    return E_FAIL;
}
