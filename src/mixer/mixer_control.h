#pragma once

#include <memory>
#include <vector>

#include "mixer/mixer_device.h"
#include "mixer/mixer_probe.h"

class QSlider;

struct FaderInstance {
    std::vector<DWORD> values;  // channels x items
};

// The main window's mixer: the device chosen for the microphone, open for the window's
// life, with the microphone volume bound to the microphone slider.
class MixerControl : public MixerDevice {
  public:
    MixerControl(Mixer& mixerApi, MessageBoxes& messages);

    // 1 when the volume of the last microphone line was bound.
    int BindMicrophoneVolume(QWidget* window);
    // fraction 0.0 to 1.0 of the control's range into the first channel.
    int SetMicrophoneLevel(QWidget* window, double fraction);
    // Moves the window's microphone slider to the control's first value.
    int RefreshMicrophoneSlider(QWidget* window, QSlider& slider);

    MuteMemory& recordingMuteBefore() { return muteMemory_; }

  private:
    int BindLineVolume(QWidget* window, DWORD lineId);
    int MixAppInitDialogFader(QWidget* window, ControlBinding& binding) override;
    // Reads the bound control's values with channels channels into the fader's array.
    int ReadFaderValues(QWidget* window, DWORD channels);
    // The request for the bound control's values, channels channels, in the fader's array.
    MIXERCONTROLDETAILS FaderDetails(DWORD channels);

    std::vector<MIXERCONTROLA> controls_;
    std::unique_ptr<FaderInstance> fader_;
    DWORD minimumValue_ = 0;
    DWORD maximumValue_ = 0;
    MuteMemory muteMemory_;
};
