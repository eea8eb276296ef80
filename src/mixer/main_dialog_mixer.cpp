#include <QSlider>

#include "app/main_dialog.h"
#include "mixer/mixer_control.h"
#include "mixer/mixer_probe.h"
#include "platform/platform.h"
#include "resources/resource_ids.h"
#include "services/message_boxes.h"
#include "services/window_messages.h"

int MainDialog::FindMicrophoneMixer(std::uint32_t value) {
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
        if (!probe.OpenMixer(this, nullptr, i)) return 0;
        const int found = probe.ProbeMicrophoneLines(this);
        probe.CloseMixer(this);
        if (found) {
            micMixerId_ = static_cast<int>(i);
            return 1;
        }
    }
    return 0;
}

void MainDialog::OnMicrophoneSliderReleased() {
    if (micReady_ == 0) return;
    mixerControl_->SetMicrophoneLevel(this, Slider(IDC_MICROPHONE_VOLUME)->value() * 0.005);
}

void MainDialog::OnMixerControlChange(const PostedMessage&) {
    // Changes still queued when the window closed its mixer have nothing left to show.
    if (micReady_ == 1 && mixerControl_->handle()) mixerControl_->RefreshMicrophoneSlider(this);
}
