#include <QAbstractButton>
#include <QComboBox>

#include "app/main_dialog.h"
#include "controls/release_slider.h"
#include "resources/resource_ids.h"
#include "services/window_messages.h"

// Every command, slider release, list selection, posted message and timer of the main
// window, and the handler it reaches.
const std::vector<MainDialog::CommandRoute> MainDialog::kCommandRoutes = {
    {IDC_OPEN, &MainDialog::OpenMediaFile},
    {IDC_BROWSE, &MainDialog::BrowseOutputFile},
    {IDC_PLAY, &MainDialog::PlayRecording},
    {IDC_HOMEPAGE, &MainDialog::OpenHomePage},
    {IDC_ABOUT, &MainDialog::ShowAboutBox},
    {IDC_HELP, &MainDialog::ShowHelp},
    {IDC_CLOSE_MEDIA, &MainDialog::CloseMediaCommand},
    {IDC_START, &MainDialog::StartRecording},
    {IDC_STOP, &MainDialog::StopRecording},
};

const std::vector<MainDialog::CommandRoute> MainDialog::kSliderReleaseRoutes = {
    {IDC_SEEK_BAR, &MainDialog::SeekFromSlider},
    {IDC_MEDIA_VOLUME, &MainDialog::ApplyMediaVolume},
    {IDC_RECORDING_VOLUME, &MainDialog::OnRecordingSliderReleased},
    {IDC_MICROPHONE_VOLUME, &MainDialog::OnMicrophoneSliderReleased},
};

const std::vector<MainDialog::CommandRoute> MainDialog::kSelectionRoutes = {
    {IDC_DEVICE_LIST, &MainDialog::SelectCaptureDevice},
    {IDC_INPUT_LIST, &MainDialog::OnInputSelected},
};

const std::vector<MainDialog::MessageRoute> MainDialog::kMessageRoutes = {
    {WM_PLAYER_POSITION, &MainDialog::UpdatePlaybackTime},
    {WM_GRAPHNOTIFY_CAPTURE, &MainDialog::OnCaptureGraphNotify},
    {MM_MIXM_CONTROL_CHANGE, &MainDialog::OnMixerControlChange},
};

const std::vector<MainDialog::TimerRoute> MainDialog::kTimerRoutes = {
    {ID_RECORDING_TIMER, &MainDialog::OnRecordingTimer},
};

void MainDialog::ConnectControls() {
    for (const auto& [id, widget] : controls_) {
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            connect(button, &QAbstractButton::clicked, this, [this, id = id] { OnCommand(id); });
    }
    for (const CommandRoute& route : kSliderReleaseRoutes) {
        if (auto* slider = qobject_cast<ReleaseSlider*>(Control(route.commandId)))
            connect(slider, &ReleaseSlider::released, this, route.handler);
    }
    for (const CommandRoute& route : kSelectionRoutes) {
        if (auto* list = qobject_cast<QComboBox*>(Control(route.commandId)))
            connect(list, &QComboBox::activated, this, route.handler);
    }
}

void MainDialog::OnCommand(int commandId) {
    for (const CommandRoute& route : kCommandRoutes) {
        if (route.commandId == commandId) {
            (this->*route.handler)();
            return;
        }
    }
    // Commands of the video window's menu, chosen in the menu this window shows.
    ForwardPlayerCommand(commandId);
}

void MainDialog::OnTimer(int timerId) {
    for (const TimerRoute& route : kTimerRoutes) {
        if (route.timerId == timerId) (this->*route.handler)();
    }
}

void MainDialog::OnMessage(const PostedMessage& message) {
    for (const MessageRoute& route : kMessageRoutes) {
        if (route.message == message.message()) (this->*route.handler)(message);
    }
}

bool MainDialog::event(QEvent* event) {
    if (event->type() == PostedCommand::Type()) {
        OnCommand(static_cast<PostedCommand*>(event)->commandId());
        return true;
    }
    if (auto* message = dynamic_cast<PostedMessage*>(event)) {
        OnMessage(*message);
        return true;
    }
    return QDialog::event(event);
}
