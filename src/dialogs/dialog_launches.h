#pragma once

#include <QString>

class MainControls;
class QWidget;
class SettingsStore;
struct Platform;

// What the main window opens besides itself: the About box, the input hint, the help
// pages, the home page, the update question and the recording in the desktop's player.
class DialogLaunches {
  public:
    DialogLaunches(Platform& platform, SettingsStore& settings, QWidget& window,
                   const MainControls& controls);

    void ShowAboutBox();
    // Shown at a change of input or capture device until the user asks for it no more.
    void ShowInputDeviceHint();
    void OpenHomePage();
    void ShowHelp();
    void PlayRecording();
    void PromptForUpdate(const QString& productPageUrl);

    // Held while start-up selects the stored device and input; then the stored wish.
    void HoldInputHint() { hintSuppressed_ = true; }
    void LoadInputHintWish();
    bool hintSuppressed() const { return hintSuppressed_; }

  private:
    Platform& platform_;
    SettingsStore& settings_;
    QWidget& window_;
    const MainControls& controls_;
    bool hintSuppressed_ = false;
};
