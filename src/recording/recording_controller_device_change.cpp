#include <QWidget>

#include "platform/platform.h"
#include "recording/recording_controller.h"
#include "services/message_boxes.h"
#include "services/window_messages.h"

namespace {

constexpr char kDeviceChangeCaption[] = "DirectShow Audio Capture Sample";

}  // namespace

void RecordingController::OnCaptureGraphNotify(const PostedMessage& message) {
    if (message.lParam() == 0) OnCaptureGraphEvent();
}

HRESULT RecordingController::OnCaptureGraphEvent() {
    HRESULT hr = S_OK;
    // Without a graph, the one that lost its device tells when the device is back.
    const auto current = [this] { return recorder_.events ? recorder_.events : lostGraphEvents_; };
    long code = 0;
    std::intptr_t param1 = 0;
    std::intptr_t param2 = 0;
    // Hold the interface that delivered the event: the teardown below empties the member.
    for (std::shared_ptr<CaptureEvents> events = current();
         events && SUCCEEDED(events->GetEvent(&code, &param1, &param2, 0)); events = current()) {
        hr = events->FreeEventParams(code, param1, param2);
        if (code == EC_ERRORABORT) {
            OnRecordingWriteFailed(static_cast<HRESULT>(param1));
            continue;
        }
        if (code == EC_MICROPHONE_LOST) {
            platform_.messages->Show(&window_,
                                     "The microphone was removed. The song goes on being "
                                     "recorded without the voice.",
                                     "Tarvelo", MB_OK | MB_ICONEXCLAMATION);
            continue;
        }
        if (code != EC_DEVICE_LOST) continue;
        TearDownCaptureSide();
        if (param2 == 0) {
            // The lost graph stays only to say when its device is back, which builds the
            // capture side again: a restarted sound server or a device plugged in anew
            // records without a restart of the program.
            lostGraphEvents_ = events;
            lostGraphEvents_->SetNotifyWindow(&window_, WM_GRAPHNOTIFY_CAPTURE, 0);
            platform_.messages->Beep();
            platform_.messages->Show(&window_, "The selected input device was removed!",
                                     kDeviceChangeCaption, MB_OK | MB_ICONEXCLAMATION);
            break;
        }
        // The input recorded last is found again wherever it lies now.
        storedInput_ = chosenInput_;
        storedInputText_ = chosenInputText_;
        if (SUCCEEDED(BuildBaseGraph())) EnumerateCaptureDevices();
        platform_.messages->Beep();
        platform_.messages->Show(&window_, "The audio input device has been reattached!",
                                 kDeviceChangeCaption, MB_OK | MB_ICONINFORMATION);
    }
    return hr;
}

void RecordingController::TearDownCaptureSide() {
    StopRecording();
    TearDownCaptureGraph();
    ResetCaptureGraph();
}

void RecordingController::OnRecordingWriteFailed(HRESULT failure) {
    if (!isRecording_) return;
    const QString path = recordingPath_;
    StopRecording();
    const QString reason = failure == HRESULT_DISK_FULL
                               ? QStringLiteral("The disk is full.")
                               : QStringLiteral("The recording can not be written any more.");
    platform_.messages->Show(&window_,
                             reason +
                                 " The recording has stopped; everything recorded until "
                                 "then is kept in\n" +
                                 path,
                             "Error", MB_OK | MB_ICONEXCLAMATION);
}
