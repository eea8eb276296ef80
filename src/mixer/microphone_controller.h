#pragma once

#include <cstdint>
#include <memory>

class MixerControl;
class QSlider;
class QWidget;
struct Platform;

// The main window's microphone: the search for the mixer device with a microphone, its
// mute switches, and the microphone volume slider bound to the device's volume control.
class MicrophoneController {
  public:
    MicrophoneController(Platform& platform, QWidget& window, QSlider& microphoneVolume);
    ~MicrophoneController();

    // Value 0 unmutes the microphone lines, 1 mutes them; answers 1 when a device has one.
    int FindMicrophoneMixer(std::uint32_t value);
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
    QWidget& window_;
    QSlider& microphoneVolume_;
    std::unique_ptr<MixerControl> mixerControl_;
    int micMixerId_ = -1;
    int micReady_ = 0;
};
