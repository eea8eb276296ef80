#pragma once

#include <cstdint>
#include <memory>

class MixerControl;
class QSlider;
class QWidget;
class SettingsStore;
struct Platform;

// The main window's microphone: the search for the mixer device with a microphone, its
// mute switches, and the microphone volume slider bound to the device's volume control.
class MicrophoneController {
  public:
    MicrophoneController(Platform& platform, SettingsStore& settings, QWidget& window,
                         QSlider& microphoneVolume);
    ~MicrophoneController();

    // Value 0 unmutes the microphone lines, 1 mutes them; answers 1 when a device has one.
    // The speakers microphone, which plays the singer's voice into the song's output,
    // stays muted while the user does not want to hear it.
    int FindMicrophoneMixer(std::uint32_t value);
    // "Hear the microphone", stored in "Option": on by default.
    bool hearMicrophone() const { return hearMicrophone_; }
    void SetHearMicrophone(bool hear);
    // Opens the found device for the window and binds the slider to its microphone volume;
    // without either the slider is disabled, with a message.
    void BindMicrophoneSlider();
    // Closes the window's device, when the slider was bound to it.
    void CloseMicrophoneMixer();
    void OnMicrophoneSliderReleased();
    void OnMixerControlChange();

    int micMixerId() const { return micMixerId_; }
    int micReady() const { return micReady_; }

  private:
    void ShowMessage(const char* text, const char* caption);

    Platform& platform_;
    SettingsStore& settings_;
    QWidget& window_;
    QSlider& microphoneVolume_;
    std::unique_ptr<MixerControl> mixerControl_;
    int micMixerId_ = -1;
    int micReady_ = 0;
    bool hearMicrophone_ = true;
};
