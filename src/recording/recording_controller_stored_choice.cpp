#include <QComboBox>
#include <QLabel>

#include "core/main_controls.h"
#include "core/settings_store.h"
#include "recording/recording_controller.h"

namespace {

std::shared_ptr<DeviceMoniker> MonikerOf(const QComboBox& list, int entry) {
    return list.itemData(entry).value<std::shared_ptr<DeviceMoniker>>();
}

// The position of the input with that source and port among the device's inputs, or -1.
// Sources are named once on the whole system; the device only says where to look when
// the input is gone (the song output's mix moves from device to device with the song).
int InputNamed(const std::shared_ptr<MediaFilter>& filter, const StableInputName& name) {
    std::shared_ptr<Pin> pin;
    for (int n = 0; SUCCEEDED(RecordingController::GetPin(filter, PinDirection::Input, n, &pin));
         ++n) {
        const StableInputName found = pin->QueryStableName();
        if (found.source == name.source && found.port == name.port) return n;
    }
    return -1;
}

}  // namespace

void RecordingController::LoadStoredChoice() {
    storedInput_ = {settings_.ReadString(kOptionSection, kCaptureDeviceValue, QString()),
                    settings_.ReadString(kOptionSection, kCaptureSourceValue, QString()),
                    settings_.ReadString(kOptionSection, kCapturePortValue, QString())};
    storedInputText_ = settings_.ReadString(kOptionSection, kCaptureInputValue, QString());
}

void RecordingController::StoreStoredChoice() {
    settings_.WriteString(kOptionSection, kCaptureDeviceValue, chosenInput_.device);
    settings_.WriteString(kOptionSection, kCaptureSourceValue, chosenInput_.source);
    settings_.WriteString(kOptionSection, kCapturePortValue, chosenInput_.port);
    settings_.WriteString(kOptionSection, kCaptureInputValue, chosenInputText_);
}

void RecordingController::RememberChosenInput() {
    const int selected = controls_.inputList().currentIndex();
    std::shared_ptr<Pin> pin;
    chosenInput_ = {};
    if (SUCCEEDED(GetPin(recorder_.captureFilter, PinDirection::Input, selected, &pin)))
        chosenInput_ = pin->QueryStableName();
    chosenInputText_ =
        chosenInput_.source.isEmpty() ? QString() : controls_.inputList().itemText(selected);
}

void RecordingController::PreferStoredChoice() {
    if (storedInput_.source.isEmpty()) return;
    const QComboBox& devices = controls_.deviceList();
    int storedDevice = -1;
    for (int i = 0; i < devices.count(); ++i) {
        const std::shared_ptr<DeviceMoniker> moniker = MonikerOf(devices, i);
        std::shared_ptr<MediaFilter> filter;
        if (!moniker || FAILED(moniker->BindToObject(&filter))) continue;
        const int input = InputNamed(filter, storedInput_);
        if (input >= 0) {
            captureChoices_.nSoundCaptureIndex = i;
            captureChoices_.nCapturePinIndex = input;
            storedInputFound_ = true;
            return;
        }
        QString name;
        if (SUCCEEDED(moniker->ReadStableName(&name)) && name == storedInput_.device)
            storedDevice = i;
    }
    // Gone: the user learns it once, and the choice at close is what is used instead.
    if (storedDevice >= 0) captureChoices_.nSoundCaptureIndex = storedDevice;
    controls_.status().setText(
        QString("Status : Ready - the input \"%1\" is not there")
            .arg(storedInputText_.isEmpty() ? storedInput_.source : storedInputText_));
}
