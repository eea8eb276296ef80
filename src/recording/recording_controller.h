#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "controls/level_meter.h"
#include "recording/capture_choices.h"
#include "recording/recorder_graph.h"
#include "services/capture_graph.h"
#include "services/result_codes.h"

class MainControls;
class PostedMessage;
class QComboBox;
class QWidget;
class SettingsStore;
class WindowTimers;
struct Platform;

// What the recording asks of the window it records for.
class RecordingWindow {
  public:
    // The song plays while the recording runs: Start runs it once the capture runs, Stop
    // stops it first.
    virtual void RunSong() = 0;
    virtual void StopSong() = 0;
    // Shown at a change of input or capture device, until the user asks for it no more.
    virtual void ShowInputDeviceHint() = 0;
    // The output path becomes what the output box shows; answers it.
    virtual QString TakeOutputPathFromBox() = 0;
    // The output box shows the output path again.
    virtual void ShowOutputPath() = 0;
    // Whether the path names a file of the song that is open, however it is spelt.
    virtual bool IsSongFile(const QString& path) = 0;

  protected:
    ~RecordingWindow() = default;
};

// The main window's recording: the capture graph and its WAV branch, Start and Stop with
// the elapsed time, the device and input lists with the capture choices, the recording
// level, and a capture device's removal and return.
class RecordingController {
  public:
    RecordingController(Platform& platform, SettingsStore& settings, QWidget& window,
                        const MainControls& controls, WindowTimers& timers, RecordingWindow& host);

    // The stored capture choices, loaded at start-up and stored at close.
    void LoadCaptureChoices();
    void StoreCaptureChoices();

    // Recording graph and recording control.
    HRESULT BuildBaseGraph();
    void ReleaseCaptureGraph();
    // Stops the capture graph, finishing a recording's file, and keeps it.
    void StopCaptureGraph();
    void ResetCaptureGraph();
    // Empties the device and input lists, removes the recording branch, releases the graph.
    void TearDownCaptureGraph();
    HRESULT AddRecordingBranch();
    HRESULT RemoveRecordingBranch();
    void StartRecording();
    // Whether a recording into the path would write over the open song: then says so in a
    // box naming the path.
    bool RefuseSongFile(const QString& path);
    void StopRecording();
    void OnRecordingTimer();
    // The input's peak onto the meter in the status line, 20 times a second while recording.
    void OnLevelMeterTimer();
    static HRESULT GetPin(const std::shared_ptr<MediaFilter>& filter, PinDirection direction, int n,
                          std::shared_ptr<Pin>* pin);

    // Capture devices and input selection.
    HRESULT EnumerateCaptureDevices();
    // storedChoice: the input is the stored one, which may name an input that is not there.
    void SelectCaptureDevice(bool storedChoice = false);
    HRESULT FillInputList(const std::shared_ptr<MediaFilter>& filter, PinDirection direction,
                          QComboBox* list);
    void OnInputSelected();
    HRESULT ApplyInputSelection();
    // Enables the selected input alone, after handing its mixer to beforeEnabling.
    HRESULT EnableSelectedInput(const std::function<void(AudioInputMixer&)>& beforeEnabling);
    void ReleaseDeviceList();
    void OnRecordingSliderReleased();
    HRESULT SetRecordingLevel(double fraction);
    int ShowInputLevel(AudioInputMixer& mixer);

    // Capture device removal and re-attachment.
    void OnCaptureGraphNotify(const PostedMessage& message);
    HRESULT OnCaptureGraphEvent();

    // How the song-and-microphone input places the voice and whether it keeps it alone;
    // stored in "Option" at once.
    const VoiceTiming& voiceTiming() const { return voiceTiming_; }
    void SetVoiceOffset(int milliseconds);
    void SetKeepVoiceTrack(bool keep);

    const CaptureChoices& captureChoices() const { return captureChoices_; }
    bool isRecording() const { return isRecording_; }
    int elapsedSeconds() const { return elapsedSeconds_; }
    const RecorderGraph& recorder() const { return recorder_; }
    // The status line's meter; null before the first recording.
    const LevelMeter* levelMeter() const { return meter_; }

  private:
    // The choice by stable names: found again at start-up wherever it lies now, or reported
    // gone on the status line; stored at close.
    void LoadStoredChoice();
    void StoreStoredChoice();
    void PreferStoredChoice();
    void RememberChosenInput();
    void TearDownCaptureSide();
    // The file a recording writes: the output box's path, or a default one.
    QString RecordingPath() const;
    void OnRecordingWriteFailed(HRESULT failure);
    void ApplyVoiceTiming();
    void ShowLevelMeter();
    void HideLevelMeter();

    Platform& platform_;
    SettingsStore& settings_;
    QWidget& window_;
    const MainControls& controls_;
    WindowTimers& timers_;
    RecordingWindow& host_;

    RecorderGraph recorder_;
    // The events of the graph whose device was removed, until the device is back.
    std::shared_ptr<CaptureEvents> lostGraphEvents_;
    CaptureChoices captureChoices_;
    StableInputName storedInput_;
    QString storedInputText_;
    // The input chosen last, as it is to be stored at close.
    StableInputName chosenInput_;
    QString chosenInputText_;
    // Found at start-up: the search does not replace it.
    bool storedInputFound_ = false;
    bool isRecording_ = false;
    int elapsedSeconds_ = 0;
    QString recordingPath_;
    VoiceTiming voiceTiming_;
    // A child of the status line, made at the first recording.
    QPointer<LevelMeter> meter_;
};
