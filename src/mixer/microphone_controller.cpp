#include "mixer/microphone_controller.h"

#include <QSlider>

#include "core/settings_store.h"
#include "mixer/mixer_control.h"
#include "mixer/mixer_probe.h"
#include "platform/platform.h"
#include "services/message_boxes.h"

MicrophoneController::MicrophoneController(Platform& platform, SettingsStore& settings,
                                           QWidget& window, QSlider& microphoneVolume)
    : platform_(platform),
      settings_(settings),
      window_(window),
      microphoneVolume_(microphoneVolume),
      mixerControl_(std::make_unique<MixerControl>(*platform.mixer, *platform.messages)) {}

MicrophoneController::~MicrophoneController() = default;

int MicrophoneController::FindMicrophoneMixer(std::uint32_t value) {
    hearMicrophone_ = settings_.ReadInt(kOptionSection, kHearMicrophoneValue, 1) != 0;
    const UINT count = platform_.mixer->mixerGetNumDevs();
    if (count == 0) {
        ShowMessage(
            "There are no mixer devices installed. The Microphone Volume of the application is "
            "useless.",
            "Error");
        return 0;
    }
    for (UINT i = 0; i < count; ++i) {
        MixerProbe probe(*platform_.mixer, *platform_.messages, value,
                         mixerControl_->recordingMuteBefore());
        if (!hearMicrophone_) probe.KeepPlaythroughOff();
        if (!probe.OpenMixer(&window_, nullptr, i)) return 0;
        const int found = probe.ProbeMicrophoneLines(&window_);
        probe.CloseMixer(&window_);
        if (found) {
            micMixerId_ = static_cast<int>(i);
            return 1;
        }
    }
    return 0;
}

void MicrophoneController::SetHearMicrophone(bool hear) {
    hearMicrophone_ = hear;
    settings_.WriteInt(kOptionSection, kHearMicrophoneValue, hear ? 1 : 0);
    if (micMixerId_ == -1) return;
    MixerProbe probe(*platform_.mixer, *platform_.messages, hear ? 0 : 1,
                     mixerControl_->recordingMuteBefore());
    probe.SwitchPlaythroughOnly();
    if (!probe.OpenMixer(&window_, nullptr, static_cast<UINT>(micMixerId_))) return;
    probe.ProbeMicrophoneLines(&window_);
    probe.CloseMixer(&window_);
}

void MicrophoneController::BindMicrophoneSlider() {
    if (micMixerId_ != -1 && mixerControl_->OpenMixer(&window_, nullptr, micMixerId_))
        micReady_ = mixerControl_->BindMicrophoneVolume(&window_);
    if (micReady_ == 0) {
        ShowMessage(
            "Adjusting Microphone volume does not work in the program,\n"
            "please adjust it in Volume control or Recording Control",
            "Message");
        microphoneVolume_.setEnabled(false);
    }
}

void MicrophoneController::CloseMicrophoneMixer() {
    if (micReady_ == 1) mixerControl_->CloseMixer(&window_);
}

void MicrophoneController::OnMicrophoneSliderReleased() {
    if (micReady_ == 0) return;
    mixerControl_->SetMicrophoneLevel(&window_, microphoneVolume_.value() * 0.005);
}

void MicrophoneController::OnMixerControlChange() {
    // Changes still queued when the window closed its mixer have nothing left to show.
    if (micReady_ == 1 && mixerControl_->handle())
        mixerControl_->RefreshMicrophoneSlider(&window_, microphoneVolume_);
}

void MicrophoneController::ShowMessage(const char* text, const char* caption) {
    platform_.messages->Show(&window_, text, caption, MB_OK);
}
