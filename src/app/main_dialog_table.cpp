#include <QAbstractButton>
#include <QComboBox>
#include <QShortcut>

#include "app/main_dialog.h"
#include "controls/release_slider.h"
#include "resources/menu_resources.h"
#include "resources/resource_ids.h"
#include "services/window_messages.h"

// Every command, slider release, list selection, posted message and timer of the main
// window, and the handler it reaches.
const std::vector<MainDialog::Route> MainDialog::kCommandRoutes = {
    {IDC_OPEN, [](MainDialog& w) { w.playback_.OpenMediaFile(); }},
    {IDC_BROWSE, [](MainDialog& w) { w.BrowseOutputFile(); }},
    {IDC_PLAY, [](MainDialog& w) { w.launches_.PlayRecording(); }},
    {IDC_HOMEPAGE, [](MainDialog& w) { w.launches_.OpenHomePage(); }},
    {IDC_ABOUT, [](MainDialog& w) { w.launches_.ShowAboutBox(); }},
    {IDC_HELP, [](MainDialog& w) { w.launches_.ShowHelp(); }},
    {IDC_CLOSE_MEDIA, [](MainDialog& w) { w.CloseMediaCommand(); }},
    {IDC_START, [](MainDialog& w) { w.recording_.StartRecording(); }},
    {IDC_STOP, [](MainDialog& w) { w.recording_.StopRecording(); }},
    {ID_KEY_UP, [](MainDialog& w) { w.playback_.ChangeTuning(ID_KEY_UP); }},
    {ID_KEY_DOWN, [](MainDialog& w) { w.playback_.ChangeTuning(ID_KEY_DOWN); }},
    {ID_TEMPO_SLOWER, [](MainDialog& w) { w.playback_.ChangeTuning(ID_TEMPO_SLOWER); }},
    {ID_TEMPO_FASTER, [](MainDialog& w) { w.playback_.ChangeTuning(ID_TEMPO_FASTER); }},
    {ID_VOCAL_CUT, [](MainDialog& w) { w.playback_.ChangeTuning(ID_VOCAL_CUT); }},
    {ID_RESET_TUNING, [](MainDialog& w) { w.playback_.ChangeTuning(ID_RESET_TUNING); }},
    {ID_HEAR_MICROPHONE,
     [](MainDialog& w) { w.microphone_.SetHearMicrophone(!w.microphone_.hearMicrophone()); }},
    {ID_VOICE_TIMING, [](MainDialog& w) { w.ShowVoiceTiming(); }},
    {ID_KEEP_VOICE_TRACK,
     [](MainDialog& w) {
         w.recording_.SetKeepVoiceTrack(!w.recording_.voiceTiming().keepVoiceTrack);
     }},
};

const std::vector<MainDialog::Route> MainDialog::kSliderReleaseRoutes = {
    {IDC_SEEK_BAR, [](MainDialog& w) { w.playback_.SeekFromSlider(); }},
    {IDC_MEDIA_VOLUME, [](MainDialog& w) { w.playback_.ApplyMediaVolume(); }},
    {IDC_RECORDING_VOLUME, [](MainDialog& w) { w.recording_.OnRecordingSliderReleased(); }},
    {IDC_MICROPHONE_VOLUME, [](MainDialog& w) { w.microphone_.OnMicrophoneSliderReleased(); }},
};

const std::vector<MainDialog::Route> MainDialog::kSelectionRoutes = {
    {IDC_DEVICE_LIST, [](MainDialog& w) { w.recording_.SelectCaptureDevice(); }},
    {IDC_INPUT_LIST, [](MainDialog& w) { w.recording_.OnInputSelected(); }},
};

const std::vector<MainDialog::MessageRoute> MainDialog::kMessageRoutes = {
    {WM_PLAYER_POSITION,
     [](MainDialog& w, const PostedMessage&) { w.playback_.UpdatePlaybackTime(); }},
    {WM_GRAPHNOTIFY_CAPTURE,
     [](MainDialog& w, const PostedMessage& m) { w.recording_.OnCaptureGraphNotify(m); }},
    {MM_MIXM_CONTROL_CHANGE,
     [](MainDialog& w, const PostedMessage&) { w.microphone_.OnMixerControlChange(); }},
};

const std::vector<MainDialog::Route> MainDialog::kTimerRoutes = {
    {ID_RECORDING_TIMER, [](MainDialog& w) { w.recording_.OnRecordingTimer(); }},
    {ID_LEVEL_METER_TIMER, [](MainDialog& w) { w.recording_.OnLevelMeterTimer(); }},
};

void MainDialog::ConnectControls() {
    for (const auto& [id, widget] : controls_.all()) {
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            connect(button, &QAbstractButton::clicked, this, [this, id = id] { OnCommand(id); });
    }
    for (const Route& route : kSliderReleaseRoutes) {
        if (auto* slider = qobject_cast<ReleaseSlider*>(controls_.Control(route.id)))
            connect(slider, &ReleaseSlider::released, this,
                    [this, route] { route.handler(*this); });
    }
    for (const Route& route : kSelectionRoutes) {
        if (auto* list = qobject_cast<QComboBox*>(controls_.Control(route.id)))
            connect(list, &QComboBox::activated, this, [this, route] { route.handler(*this); });
    }
    for (const CommandShortcut& shortcut : TuningShortcuts()) {
        auto* key = new QShortcut(QKeySequence(shortcut.keys), this);
        connect(key, &QShortcut::activated, this,
                [this, id = shortcut.commandId] { OnCommand(id); });
    }
}

void MainDialog::OnCommand(int commandId) {
    for (const Route& route : kCommandRoutes) {
        if (route.id == commandId) {
            route.handler(*this);
            return;
        }
    }
    // Commands of the video window's menu, chosen in the menu this window shows.
    playback_.ForwardPlayerCommand(commandId);
}

void MainDialog::OnTimer(int timerId) {
    for (const Route& route : kTimerRoutes) {
        if (route.id == timerId) route.handler(*this);
    }
}

void MainDialog::OnMessage(const PostedMessage& message) {
    for (const MessageRoute& route : kMessageRoutes) {
        if (route.message == message.message()) route.handler(*this, message);
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
