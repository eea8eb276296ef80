#include <QComboBox>
#include <QSlider>
#include <functional>

#include "core/main_controls.h"
#include "platform/platform.h"
#include "recording/mix_input_keywords.h"
#include "recording/recording_controller.h"
#include "services/message_boxes.h"

namespace {

constexpr char kNoDevicesText[] =
    "There were no audio capture devices detected on this system.\r\n\r\n"
    "If your system has an audio capture device (sound card, video camera, etc.),\r\n"
    "then make sure that it is working properly and that you are not running\r\n"
    "this program through a Windows XP Remote Desktop connection.\r\n\r\n"
    "This program will now exit.";

std::shared_ptr<DeviceMoniker> MonikerOf(const QComboBox& list, int entry) {
    return list.itemData(entry).value<std::shared_ptr<DeviceMoniker>>();
}

bool LeadsWithSongAndMicrophone(const QComboBox& list) {
    const std::shared_ptr<DeviceMoniker> first = list.count() > 0 ? MonikerOf(list, 0) : nullptr;
    QString name;
    return first && SUCCEEDED(first->ReadStableName(&name)) &&
           name == QLatin1String(kSongAndMicrophoneStableName);
}

}  // namespace

HRESULT RecordingController::EnumerateCaptureDevices() {
    std::shared_ptr<DeviceEnumerator> enumerator;
    HRESULT hr = platform_.capture->CreateDeviceEnumerator(&enumerator);
    if (FAILED(hr)) return hr;
    std::shared_ptr<MonikerEnumerator> devices;
    hr = enumerator->CreateClassEnumerator(&devices);
    if (FAILED(hr)) return hr;

    QComboBox* deviceList = &controls_.deviceList();
    const bool noDevices = !devices;
    if (noDevices) {
        deviceList->addItem("<< No entries >>");
    } else {
        int count = 0;
        std::shared_ptr<DeviceMoniker> moniker;
        while (devices->Next(&moniker) == S_OK) {
            QString name;
            hr = moniker->ReadFriendlyName(&name);
            if (SUCCEEDED(hr)) {
                deviceList->addItem(name, QVariant::fromValue(moniker));
                ++count;
            }
            moniker.reset();
        }
        captureChoices_.captureDeviceCount = count;
        if (count <= 1) deviceList->hide();
        // A choice stored without names comes from before the song and microphone led the
        // list: its index counts the server's devices only.
        if (storedInput_.source.isEmpty() && captureChoices_.nSearchFlag != 0 &&
            LeadsWithSongAndMicrophone(*deviceList))
            ++captureChoices_.nSoundCaptureIndex;
        const int stored = captureChoices_.nSoundCaptureIndex;
        // An impossible stored device counts as none stored, and its input with it: the
        // stored names decide, then the first run's search.
        if (stored < 0 || stored >= count) captureChoices_ = {count, 0, 0, 0};
    }
    devices.reset();
    enumerator.reset();

    if (FAILED(hr)) return hr;
    if (noDevices) {
        platform_.messages->Show(&window_, kNoDevicesText, "No audio capture hardware!",
                                 MB_OK | MB_ICONHAND);
        return E_FAIL;
    }
    PreferStoredChoice();
    deviceList->setCurrentIndex(captureChoices_.nSoundCaptureIndex);
    SelectCaptureDevice(true);
    storedInputFound_ = false;
    return hr;
}

void RecordingController::SelectCaptureDevice(bool storedChoice) {
    if (recorder_.captureFilter) {
        controls_.inputList().clear();
        ReleaseCaptureGraph();
        if (FAILED(BuildBaseGraph())) return;
    }
    QComboBox* deviceList = &controls_.deviceList();
    captureChoices_.nSoundCaptureIndex = deviceList->currentIndex();
    const std::shared_ptr<DeviceMoniker> moniker =
        MonikerOf(*deviceList, deviceList->currentIndex());
    if (!moniker) return;
    if (FAILED(moniker->BindToObject(&recorder_.captureFilter)) || !recorder_.captureFilter) return;
    if (FAILED(recorder_.graph->AddFilter(recorder_.captureFilter, "Audio Capture"))) return;
    if (FAILED(FillInputList(recorder_.captureFilter, PinDirection::Input, &controls_.inputList())))
        return;
    QComboBox* inputList = &controls_.inputList();
    const int stored = captureChoices_.nCapturePinIndex;
    if (storedChoice && (stored < 0 || stored >= inputList->count())) {
        // An impossible stored input counts as none stored: the first run's search chooses.
        captureChoices_.nCapturePinIndex = 0;
        captureChoices_.nSearchFlag = 0;
        if (FAILED(FillInputList(recorder_.captureFilter, PinDirection::Input, inputList))) return;
    }
    const int pinIndex = captureChoices_.nCapturePinIndex;
    inputList->setCurrentIndex(pinIndex < inputList->count() ? pinIndex : -1);
    OnInputSelected();
}

HRESULT RecordingController::FillInputList(const std::shared_ptr<MediaFilter>& filter,
                                           PinDirection direction, QComboBox* list) {
    list->clear();
    if (!filter) return E_NOINTERFACE;
    std::shared_ptr<PinEnumerator> pins;
    HRESULT hr = filter->EnumPins(&pins);
    if (FAILED(hr) || !pins) {
        list->addItem("<ERROR>");
        return FAILED(hr) ? hr : E_FAIL;
    }
    pins->Reset();
    int n = 0;
    std::shared_ptr<Pin> pin;
    while ((hr = pins->Next(&pin)) == S_OK) {
        PinDirection pinDirection;
        if (FAILED(pin->QueryDirection(&pinDirection))) {
            list->addItem("<ERROR>");
            continue;
        }
        QString name;
        if (pinDirection == direction && SUCCEEDED(pin->QueryPinInfo(&name))) {
            list->addItem(name);
            if (captureChoices_.nSearchFlag == 0 && !storedInputFound_ &&
                IsMixInput(name, pin->QueryInputKind())) {
                captureChoices_.nCapturePinIndex = n;
                captureChoices_.nSearchFlag = 1;
            }
            ++n;
        }
        pin.reset();
    }
    return hr;
}

void RecordingController::OnInputSelected() {
    host_.ShowInputDeviceHint();
    StopRecording();
    ApplyInputSelection();
}

HRESULT RecordingController::ApplyInputSelection() {
    RememberChosenInput();
    return EnableSelectedInput([this](AudioInputMixer& mixer) { ShowInputLevel(mixer); });
}

HRESULT RecordingController::EnableSelectedInput(
    const std::function<void(AudioInputMixer&)>& beforeEnabling) {
    const QComboBox* inputList = &controls_.inputList();
    const int count = inputList->count();
    const int selected = inputList->currentIndex();
    captureChoices_.nCapturePinIndex = selected;
    HRESULT hr = S_OK;
    for (int i = 0; i < count; ++i) {
        std::shared_ptr<Pin> pin;
        if (FAILED(GetPin(recorder_.captureFilter, PinDirection::Input, i, &pin))) continue;
        const std::shared_ptr<AudioInputMixer> mixer = pin->QueryAudioInputMixer();
        if (!mixer) continue;
        if (i == selected) {
            beforeEnabling(*mixer);
            hr = mixer->put_Enable(true);
        } else {
            hr = mixer->put_Enable(false);
        }
    }
    return hr;
}

void RecordingController::ReleaseDeviceList() {
    // The entries' device references go with the entries.
    controls_.deviceList().clear();
}

void RecordingController::OnRecordingSliderReleased() {
    SetRecordingLevel(controls_.recordingVolume().value() * 0.005);
}

HRESULT RecordingController::SetRecordingLevel(double fraction) {
    return EnableSelectedInput(
        [fraction](AudioInputMixer& mixer) { mixer.put_MixLevel(fraction); });
}

int RecordingController::ShowInputLevel(AudioInputMixer& mixer) {
    double level = 0.0;
    if (FAILED(mixer.get_MixLevel(&level))) level = 0.0;
    controls_.recordingVolume().setValue(static_cast<int>(level * 200));
    return 0;
}
