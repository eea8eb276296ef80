#pragma once

#include <QDialog>

class QCheckBox;
class SettingsStore;
struct Platform;

// Tells which capture input records what the computer plays. OK stores whether the user
// wants to see it again; Esc and the close box store nothing.
class InputHintDialog : public QDialog {
    Q_OBJECT
  public:
    InputHintDialog(Platform& platform, SettingsStore& settings, QWidget* parent = nullptr);

    // The state of "Do not show the message in the future" as OK found it.
    bool onlyOnce() const { return onlyOnce_; }
    QCheckBox* OnlyOnceBox() const { return onlyOnceBox_; }

    void accept() override;

  private:
    SettingsStore& settings_;
    QCheckBox* onlyOnceBox_ = nullptr;
    bool onlyOnce_ = true;
};
