#pragma once

#include <QDialog>
#include <QPixmap>
#include <QString>
#include <memory>
#include <vector>

#include "core/main_controls.h"
#include "dialogs/dialog_launches.h"
#include "mixer/microphone_controller.h"
#include "playback/playback_controller.h"
#include "recording/recording_controller.h"
#include "services/system_info.h"

class PostedMessage;
class SettingsStore;
class WindowTimers;
struct Platform;

// The program's one window: its controls, the start-up and shutdown sequences, and the
// routing of commands, slider releases, posted messages and timers to the controllers it
// owns (playback, recording, microphone, the dialogs and launches).
class MainDialog : public QDialog, private PlaybackWindow, private RecordingWindow {
    Q_OBJECT
  public:
    MainDialog(Platform& platform, SettingsStore& settings, QWidget* parent = nullptr);
    ~MainDialog() override;

    // Initialises the window, then runs it modally; answers how it ended.
    int DoModal();
    // The start-up sequence; separate from DoModal so that tests can drive it.
    void OnInitDialog();
    // The program is asked to end from outside (a signal, the session ending): the window
    // closes as by its close box, without the update question.
    void CloseOnRequest();
    // The right-click menu: the song's channel while a file is open, whether the
    // microphone is heard, and the voice of the song-and-microphone input.
    void ShowContextMenu(QPoint clientPoint);
    // "Voice timing...": the voice's offset, measured or typed, stored on OK.
    void ShowVoiceTiming();

    // Routes a command id as a click or a posted command would.
    void OnCommand(int commandId);

    void CloseMediaCommand();
    // Icons, tooltips, pointer and look of the command buttons.
    void SetUpButtons();

    // Output file naming and selection.
    QString GetDefaultOutputFolder(const QString& section, const QString& name,
                                   const QString& fallback);
    void BrowseOutputFile();
    void DeriveOutputPath(const QString& mediaPath) override;
    const QString& outputPath() const { return outputPath_; }
    const QString& outputFolder() const { return outputFolder_; }

    const MainControls& controls() const { return controls_; }
    PlaybackController& playback() { return playback_; }
    RecordingController& recording() { return recording_; }
    MicrophoneController& microphone() { return microphone_; }
    DialogLaunches& launches() { return launches_; }

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void done(int result) override;

  private:
    // A command, slider, list or timer id and what it reaches.
    struct Route {
        int id;
        void (*handler)(MainDialog&);
    };
    struct MessageRoute {
        int message;
        void (*handler)(MainDialog&, const PostedMessage&);
    };
    static const std::vector<Route> kCommandRoutes;
    static const std::vector<Route> kSliderReleaseRoutes;
    static const std::vector<Route> kSelectionRoutes;
    static const std::vector<MessageRoute> kMessageRoutes;
    static const std::vector<Route> kTimerRoutes;

    // What the controllers ask of the window.
    void RunSong() override;
    void StopSong() override;
    void ShowInputDeviceHint() override;
    QString TakeOutputPathFromBox() override;
    void ShowOutputPath() override;
    bool IsSongFile(const QString& path) override;

    void ConnectControls();
    void OnTimer(int timerId);
    void OnMessage(const PostedMessage& message);
    void OnClose();
    void OnDestroy();
    void ShowMessage(const QString& text, const QString& caption);
    void SetOutputPathText(const QString& path);

    Platform& platform_;
    SettingsStore& settings_;
    std::unique_ptr<WindowTimers> timers_;
    MainControls controls_;
    PlaybackController playback_;
    RecordingController recording_;
    MicrophoneController microphone_;
    DialogLaunches launches_;

    QString outputPath_;
    QString outputFolder_;
    OsVersion osVersion_;
    QPixmap backgroundBitmap_;
    bool destroyed_ = false;
    // Start-up found no capture: the program ends without showing the window.
    bool endingAtStart_ = false;
    bool closingOnRequest_ = false;
};
