#pragma once

#include <functional>
#include <vector>

#include "services/mixer.h"

class MessageBoxes;
class QWidget;

// What an initialiser needs to reach its control.
struct ControlBinding {
    HMIXER mixer = nullptr;
    MIXERLINEA* line = nullptr;
    MIXERCONTROLA* control = nullptr;
};

// One open mixer device and the walk over its microphone lines, shared by the search at
// start-up and close (MixerProbe) and by the window's volume control (MixerControl).
class MixerDevice {
  public:
    MixerDevice(Mixer& mixerApi, MessageBoxes& messages);
    virtual ~MixerDevice();
    MixerDevice(const MixerDevice&) = delete;
    MixerDevice& operator=(const MixerDevice&) = delete;

    // Opens device index with callbackWindow receiving the change messages; answers the
    // new handle, or previous when the device cannot be opened.
    HMIXER OpenMixer(QWidget* callbackWindow, HMIXER previous, UINT deviceIndex);
    int CloseMixer(QWidget* owner);
    HMIXER handle() const { return mixer_; }

    // Formats like printf into at most 511 characters and shows it under "Tarvelo".
    void ReportMixerError(QWidget* owner, unsigned boxType, const char* format, ...)
        __attribute__((format(printf, 4, 5)));

  protected:
    // Calls handleLine with the line id of every microphone source under a speakers or
    // recording destination, in destination then source order.
    void WalkMicrophoneLines(QWidget* owner, const std::function<void(DWORD lineId)>& handleLine);
    // Fetches the line and all its controls into controls, then initialises each control
    // of wantedType; answers the result of the last one (0 when there is none).
    int InitLineControls(QWidget* owner, DWORD lineId, DWORD wantedType,
                         std::vector<MIXERCONTROLA>& controls);
    int InitControlByClass(QWidget* owner, DWORD id);
    virtual int MixAppInitDialogSwitch(QWidget* owner, ControlBinding& binding);
    virtual int MixAppInitDialogFader(QWidget* owner, ControlBinding& binding);

    // Values per control: one per channel, or one for a uniform control; times the items
    // of a multiple-item control.
    DWORD ChannelsOf(const MIXERCONTROLA& ofControl) const;
    static DWORD ItemsOf(const MIXERCONTROLA& ofControl);

    Mixer& mixerApi_;
    MessageBoxes& messages_;
    HMIXER mixer_ = nullptr;
    MIXERCONTROLA control_;
    DWORD controlId_ = 0;
    MIXERLINEA line_;
    ControlBinding binding_;
    UINT deviceIndex_ = 0;
    // The destination whose sources the walk is visiting.
    MIXERLINEA destination_;
};
