#pragma once

#include <initializer_list>
#include <map>

class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;
class QWidget;

// The main window's controls, built from its template, by what they are: the window and
// its controllers reach them here instead of looking them up by id.
class MainControls {
  public:
    explicit MainControls(std::map<int, QWidget*> controls);

    // Any control by its id; null for an id the template does not have.
    QWidget* Control(int id) const;
    const std::map<int, QWidget*>& all() const { return controls_; }

    QSlider& seekBar() const;
    QSlider& mediaVolume() const;
    QSlider& microphoneVolume() const;
    QSlider& recordingVolume() const;
    QComboBox& deviceList() const;
    QComboBox& inputList() const;
    QLineEdit& outputPathBox() const;
    QLabel& status() const;

    void SetEnabled(std::initializer_list<int> ids, bool enabled) const;
    // Start, Stop, Play, Open, the output box and Browse, as an open media file has them.
    void EnableRecordingControls(bool enable) const;
    // Everything that needs an open media file; Open stays.
    void DisableRecordingControls() const;

  private:
    template <typename Widget>
    Widget& Typed(int id) const;

    std::map<int, QWidget*> controls_;
};
