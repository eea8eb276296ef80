#pragma once

#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "mixer/mixer_device.h"

// The recording microphone's mute before start-up, by device index and control id.
using MuteMemory = std::map<std::pair<UINT, DWORD>, DWORD>;

struct SwitchInstance {
    std::vector<DWORD> values;  // channels x items
};

// One device tried by the microphone search: it writes value (0 unmuted, 1 muted) into
// the mute switches of the device's microphone lines.
class MixerProbe : public MixerDevice {
  public:
    // The recording microphone is the user's microphone for every program: at start-up
    // its mute is remembered in recordingMuteBefore, and at close it gets that state back
    // instead of value.
    MixerProbe(Mixer& mixerApi, MessageBoxes& messages, DWORD value,
               MuteMemory& recordingMuteBefore);

    // The user does not want to hear the microphone: the speakers microphone (its
    // playthrough) stays muted when the others are unmuted.
    void KeepPlaythroughOff() { playthroughOff_ = true; }
    // Only the speakers microphone is switched; the recording microphone stays as it is.
    void SwitchPlaythroughOnly() { playthroughOnly_ = true; }

    // 1 when the device has a microphone line under a speakers or recording destination.
    int ProbeMicrophoneLines(QWidget* owner);

  private:
    int ApplyMuteControls(QWidget* owner, DWORD lineId);
    int MixAppInitDialogSwitch(QWidget* owner, ControlBinding& binding) override;
    // The value to write into the first channel, or nothing to leave the control alone.
    std::optional<DWORD> SwitchValueFor(DWORD current);

    DWORD value_;
    bool playthroughOff_ = false;
    bool playthroughOnly_ = false;
    std::unique_ptr<SwitchInstance> switchInstance_;
    MuteMemory& recordingMuteBefore_;
};
