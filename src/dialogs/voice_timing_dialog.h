#pragma once

#include <QDialog>

class QPushButton;
class QSpinBox;
struct Platform;

// "Voice timing": the offset that places the singer's voice in the song-and-microphone
// recording beyond the latencies the sound server reports (the way through the air, the
// singer's ears), and a "Measure" button that proposes one by playing clicks through the
// output and listening for them on the microphone.
class VoiceTimingDialog : public QDialog {
    Q_OBJECT
  public:
    VoiceTimingDialog(Platform& platform, int offsetMs, bool recording, QWidget* parent = nullptr);

    int offsetMs() const;
    void Measure();
    QSpinBox* offsetBox() const { return offset_; }
    QPushButton* measureButton() const { return measure_; }

  private:
    Platform& platform_;
    QSpinBox* offset_ = nullptr;
    QPushButton* measure_ = nullptr;
};
