#pragma once

#include <QDialog>
#include <QPixmap>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "app/capture_choices.h"
#include "recording/recorder_graph.h"
#include "services/result_codes.h"
#include "services/system_info.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QAbstractButton;
class QSlider;
class MixerControl;
class PlayerWindow;
class PostedMessage;
class SettingsStore;
class WindowTimers;
struct Platform;

// Signed count of 100 ns units.
using REFERENCE_TIME = std::int64_t;

// The program's one window: every control, the start-up and shutdown sequences, and
// the routing of commands, slider releases, posted messages and timers to handlers.
class MainDialog : public QDialog {
    Q_OBJECT
  public:
    MainDialog(Platform& platform, SettingsStore& settings, QWidget* parent = nullptr);
    ~MainDialog() override;

    // Initialises the window, then runs it modally; answers how it ended.
    int DoModal();
    // The start-up sequence; separate from DoModal so that tests can drive it.
    void OnInitDialog();

    // Routes a command id as a click or a posted command would.
    void OnCommand(int commandId);

    void CloseMediaCommand();
    // Icons, tooltips, pointer and look of the command buttons.
    void SetUpButtons();
    void EnableRecordingControls(bool enable);
    void DisableRecordingControls();

    // Output file naming and selection.
    QString GetDefaultOutputFolder(const QString& section, const QString& name,
                                   const QString& fallback);
    void BrowseOutputFile();
    void DeriveOutputPath(const QString& mediaPath);

    // Recording graph and recording control.
    HRESULT BuildBaseGraph();
    void ReleaseCaptureGraph();
    void ResetCaptureGraph();
    HRESULT AddRecordingBranch();
    HRESULT RemoveRecordingBranch();
    void StartRecording();
    void StopRecording();
    void OnRecordingTimer();
    static HRESULT GetPin(const std::shared_ptr<MediaFilter>& filter, PinDirection direction, int n,
                          std::shared_ptr<Pin>* pin);
    static bool FileExists(const QString& path);

    // Capture devices and input selection.
    HRESULT EnumerateCaptureDevices();
    void SelectCaptureDevice();
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
    HRESULT OnCaptureGraphEvent();

    // Microphone mixer: value 0 unmutes the microphone lines, 1 mutes them.
    int FindMicrophoneMixer(std::uint32_t value);
    void OnMicrophoneSliderReleased();
    void OnMixerControlChange(const PostedMessage& message);
    int micMixerId() const { return micMixerId_; }
    int micReady() const { return micReady_; }
    // Playback controls.
    void OpenMediaFile();
    HRESULT QueryMediaLength(const QString& path, REFERENCE_TIME* length);
    void StartPlayer(const QString& path);
    void ReleasePlayer();
    void SeekFromSlider();
    void ApplyMediaVolume();
    void UpdatePlaybackTime(const PostedMessage& message);
    void ShowChannelMenu(QPoint clientPoint);
    void ForwardPlayerCommand(int commandId);
    PlayerWindow* currentPlayer() const { return currentPlayer_.get(); }
    const QString& mediaPath() const { return mediaPath_; }
    int totalSeconds() const { return mediaLengthSeconds_; }
    int seekPosition() const { return seekPosition_; }

    // Controls by id.
    QWidget* Control(int id) const;
    QAbstractButton* Button(int id) const;
    QSlider* Slider(int id) const;
    QComboBox* ComboBox(int id) const;
    QLineEdit* Edit(int id) const;
    QLabel* Label(int id) const;

    // About box, launches and the input-device hint.
    void ShowAboutBox();
    void OpenHomePage();
    void ShowHelp();
    void PlayRecording();
    void PromptForUpdate(const QString& productPageUrl);
    void ShowInputDeviceHint();

    const QString& outputPath() const { return outputPath_; }
    const QString& outputFolder() const { return outputFolder_; }
    int playbackVolume() const { return playbackVolume_; }
    bool hintSuppressed() const { return hintSuppressed_; }
    const CaptureChoices& captureChoices() const { return captureChoices_; }
    bool isRecording() const { return isRecording_; }
    int elapsedSeconds() const { return elapsedSeconds_; }
    const RecorderGraph& recorder() const { return recorder_; }

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void done(int result) override;

  private:
    struct CommandRoute {
        int commandId;
        void (MainDialog::*handler)();
    };
    struct MessageRoute {
        int message;
        void (MainDialog::*handler)(const PostedMessage&);
    };
    struct TimerRoute {
        int timerId;
        void (MainDialog::*handler)();
    };
    static const std::vector<CommandRoute> kCommandRoutes;
    static const std::vector<CommandRoute> kSliderReleaseRoutes;
    static const std::vector<CommandRoute> kSelectionRoutes;
    static const std::vector<MessageRoute> kMessageRoutes;
    static const std::vector<TimerRoute> kTimerRoutes;

    void ConnectControls();
    void OnTimer(int timerId);
    void OnMessage(const PostedMessage& message);
    void OnClose();
    void OnDestroy();
    void ShowMessage(const QString& text, const QString& caption);
    void SetOutputPathText(const QString& path);
    void TearDownCaptureGraph();
    void OnCaptureGraphNotify(const PostedMessage& message);
    void TearDownCaptureSide();
    void OnRecordingWriteFailed(HRESULT failure);

    Platform& platform_;
    SettingsStore& settings_;
    std::unique_ptr<WindowTimers> timers_;
    std::map<int, QWidget*> controls_;

    QString outputPath_;
    QString outputFolder_;
    QString mediaPath_;
    REFERENCE_TIME mediaLength_ = 0;
    int mediaLengthSeconds_ = 0;
    int seekPosition_ = 0;
    std::unique_ptr<PlayerWindow> currentPlayer_;
    int playbackVolume_ = 100;
    bool hintSuppressed_ = false;
    bool isRecording_ = false;
    int elapsedSeconds_ = 0;
    RecorderGraph recorder_;
    QString recordingPath_;
    int micMixerId_ = -1;
    int micReady_ = 0;
    std::unique_ptr<MixerControl> mixerControl_;
    OsVersion osVersion_;
    CaptureChoices captureChoices_;
    QPixmap backgroundBitmap_;
    bool destroyed_ = false;
};
