#include "core/main_controls.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <utility>

#include "resources/resource_ids.h"

MainControls::MainControls(std::map<int, QWidget*> controls) : controls_(std::move(controls)) {}

QWidget* MainControls::Control(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

// The template fixes each control's class, so the cast cannot fail.
template <typename Widget>
Widget& MainControls::Typed(int id) const {
    return *qobject_cast<Widget*>(Control(id));
}

QSlider& MainControls::seekBar() const {
    return Typed<QSlider>(IDC_SEEK_BAR);
}
QSlider& MainControls::mediaVolume() const {
    return Typed<QSlider>(IDC_MEDIA_VOLUME);
}
QSlider& MainControls::microphoneVolume() const {
    return Typed<QSlider>(IDC_MICROPHONE_VOLUME);
}
QSlider& MainControls::recordingVolume() const {
    return Typed<QSlider>(IDC_RECORDING_VOLUME);
}
QComboBox& MainControls::deviceList() const {
    return Typed<QComboBox>(IDC_DEVICE_LIST);
}
QComboBox& MainControls::inputList() const {
    return Typed<QComboBox>(IDC_INPUT_LIST);
}
QLineEdit& MainControls::outputPathBox() const {
    return Typed<QLineEdit>(IDC_OUTPUT_PATH);
}
QLabel& MainControls::status() const {
    return Typed<QLabel>(IDC_STATUS);
}

void MainControls::SetEnabled(std::initializer_list<int> ids, bool enabled) const {
    for (int id : ids) Control(id)->setEnabled(enabled);
}

void MainControls::EnableRecordingControls(bool enable) const {
    SetEnabled({IDC_START, IDC_STOP, IDC_PLAY, IDC_OPEN, IDC_OUTPUT_PATH, IDC_BROWSE}, enable);
}

void MainControls::DisableRecordingControls() const {
    SetEnabled({IDC_START, IDC_STOP, IDC_OUTPUT_PATH, IDC_BROWSE, IDC_PLAY}, false);
}
