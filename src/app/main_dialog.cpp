#include "app/main_dialog.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QSlider>

#include "controls/dialog_builder.h"
#include "core/output_naming.h"
#include "core/settings_store.h"
#include "dialogs/voice_timing_dialog.h"
#include "platform/platform.h"
#include "resources/artwork.h"
#include "resources/dialog_template.h"
#include "resources/menu_resources.h"
#include "resources/product_site.h"
#include "resources/resource_ids.h"
#include "services/message_boxes.h"
#include "services/popup_menus.h"
#include "services/window_messages.h"

MainDialog::MainDialog(Platform& platform, SettingsStore& settings, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      platform_(platform),
      settings_(settings),
      timers_(platform.makeTimers([this](int timerId) { OnTimer(timerId); })),
      controls_(BuildControls(*this, MainDialogTemplate(), platform)),
      playback_(platform, settings, *this, controls_, *this),
      recording_(platform, settings, *this, controls_, *timers_, *this),
      microphone_(platform, settings, *this, controls_.microphoneVolume()),
      launches_(platform, settings, *this, controls_) {
    ConnectControls();
}

MainDialog::~MainDialog() = default;

int MainDialog::DoModal() {
    OnInitDialog();
    // Without capture the program ends after the stop box; the window is never shown, so
    // no nested loop that ran the queued quit early can leave it standing.
    if (endingAtStart_) {
        done(QDialog::Rejected);
        return QDialog::Rejected;
    }
    // Asked to end during the start-up: it ends as its close box ends it.
    if (closingOnRequest_) {
        close();
        return QDialog::Rejected;
    }
    // Disabled buttons pass the focus on; the window opens with it on its first tab stop.
    controls_.Control(IDC_OPEN)->setFocus();
    // The window's own loop, without Qt's modality: that would block the video window, a
    // top-level window of its own, and keep its clicks, its close box and its menu from it.
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    show();
    loop.exec(QEventLoop::DialogExec);
    return result();
}

void MainDialog::OnInitDialog() {
    backgroundBitmap_ = LoadResourceBitmap(IDB_BACKGROUND);
    // Desktops keep the window menu to themselves, so the About item is reached through
    // the About button alone.
    const QIcon windowIcon = LoadResourceIcon(IDR_MAINFRAME);
    setWindowIcon(windowIcon);

    const std::optional<OsVersion> version = platform_.system->QueryVersion();
    if (version) {
        osVersion_ = *version;
    } else {
        ShowMessage("Can get Windows Version", "Error");
        // Assume a current system, so that the user's music folder stays the default.
        osVersion_ = OsVersion{10, 0};
    }

    recording_.LoadCaptureChoices();

    controls_.recordingVolume().setRange(0, 200);
    controls_.recordingVolume().setValue(200);
    controls_.seekBar().setRange(0, 600);
    controls_.seekBar().setValue(0);

    outputFolder_ = GetDefaultOutputFolder(kOptionSection, kLastOutputFolderValue, HomeFolder());
    SetOutputPathText(outputFolder_);
    outputPath_ = outputFolder_;

    // No hint while the stored device and input are selected at start-up.
    launches_.HoldInputHint();
    recording_.ResetCaptureGraph();
    if (FAILED(recording_.BuildBaseGraph()) || FAILED(recording_.EnumerateCaptureDevices())) {
        recording_.TearDownCaptureGraph();
        // Like a posted quit: the modal loop ends when it meets it.
        endingAtStart_ = true;
        QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
    }

    launches_.LoadInputHintWish();
    const int captureDevices = recording_.captureChoices().captureDeviceCount;
    if (captureDevices <= 1) controls_.Control(IDC_DEVICE_LABEL)->hide();
    SetUpButtons();

    controls_.Control(IDC_SPARE_LABEL)->hide();
    controls_.Control(IDC_CLOSE_MEDIA)->hide();
    controls_.DisableRecordingControls();
    if (recording_.captureChoices().nSearchFlag == 1 && captureDevices <= 1)
        controls_.Control(IDC_INPUT_LIST)->hide();

    playback_.LoadPlaybackVolume();

    // The microphone's boxes only for a program that goes on.
    if (endingAtStart_) return;
    microphone_.FindMicrophoneMixer(0);
    controls_.microphoneVolume().setRange(0, 200);
    controls_.microphoneVolume().setValue(200);
    microphone_.BindMicrophoneSlider();
}

void MainDialog::CloseMediaCommand() {
    recording_.StopRecording();
    playback_.CloseMedia();
    controls_.DisableRecordingControls();
    outputPath_ = outputFolder_;
    SetOutputPathText(outputPath_);
}

void MainDialog::OnClose() {
    recording_.StopCaptureGraph();
    recording_.TearDownCaptureGraph();
    playback_.ReleasePlayer();
    recording_.StoreCaptureChoices();
    outputPath_ = controls_.outputPathBox().text();
    settings_.WriteString(kOptionSection, kLastOutputFolderValue, outputFolder_);
    microphone_.FindMicrophoneMixer(1);
    // A session that is ending waits for no question.
    if (!closingOnRequest_) launches_.PromptForUpdate(QString(kProductSite) + kProductPagePath);
}

void MainDialog::OnDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    recording_.TearDownCaptureGraph();
    playback_.StorePlaybackVolume();
    backgroundBitmap_ = QPixmap();
    microphone_.CloseMicrophoneMixer();
}

void MainDialog::RunSong() {
    playback_.RunPlayer();
}

void MainDialog::StopSong() {
    playback_.StopPlayer();
}

void MainDialog::ShowInputDeviceHint() {
    launches_.ShowInputDeviceHint();
}

QString MainDialog::TakeOutputPathFromBox() {
    outputPath_ = controls_.outputPathBox().text();
    return outputPath_;
}

void MainDialog::ShowOutputPath() {
    SetOutputPathText(outputPath_);
}

void MainDialog::CloseOnRequest() {
    if (closingOnRequest_) return;
    closingOnRequest_ = true;
    if (!isVisible()) return;  // the start-up is still running: DoModal ends it
    // Boxes and dialogs over the window close first, so that their loops return; then the
    // window closes as by its close box.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget != this && widget->isVisible() && widget->isModal()) widget->close();
    }
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void MainDialog::ShowContextMenu(QPoint clientPoint) {
    const std::unique_ptr<QMenu> previewMenu = LoadResourceMenu(IDR_PREVIEW_MENU);
    QMenu ownMenu;
    // While a file is open the song's channel is chosen here too, as in the video window.
    QMenu* menu = playback_.ChannelMenuOf(*previewMenu);
    if (menu)
        menu->addSeparator();
    else
        menu = &ownMenu;
    QAction* hear = menu->addAction("Hear the microphone");
    hear->setData(ID_HEAR_MICROPHONE);
    // Marked while on; unmarked, as a classic menu shows it, without an empty box.
    hear->setCheckable(microphone_.hearMicrophone());
    hear->setChecked(microphone_.hearMicrophone());
    menu->addAction("Voice timing...")->setData(ID_VOICE_TIMING);
    QAction* keepVoice = menu->addAction("Keep the voice track");
    keepVoice->setData(ID_KEEP_VOICE_TRACK);
    keepVoice->setCheckable(recording_.voiceTiming().keepVoiceTrack);
    keepVoice->setChecked(recording_.voiceTiming().keepVoiceTrack);
    const int command = platform_.menus->Track(*menu, mapToGlobal(clientPoint), this);
    if (command != 0) PostCommand(this, command);
}

void MainDialog::ShowVoiceTiming() {
    VoiceTimingDialog dialog(platform_, recording_.voiceTiming().offsetMs, recording_.isRecording(),
                             this);
    if (dialog.exec() == QDialog::Accepted) recording_.SetVoiceOffset(dialog.offsetMs());
}

void MainDialog::closeEvent(QCloseEvent* event) {
    OnClose();
    QDialog::closeEvent(event);
}

void MainDialog::done(int result) {
    QDialog::done(result);
    OnDestroy();
}

void MainDialog::keyPressEvent(QKeyEvent* event) {
    // Esc must not end a performance: only the close box, the window menu and Alt+F4 close
    // the window, and each of them goes through the full shutdown.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void MainDialog::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) ShowContextMenu(event->position().toPoint());
    QDialog::mouseReleaseEvent(event);
}

void MainDialog::paintEvent(QPaintEvent* event) {
    if (!backgroundBitmap_.isNull()) {
        QPainter painter(this);
        painter.drawTiledPixmap(rect(), backgroundBitmap_);
    }
    QDialog::paintEvent(event);
}

void MainDialog::ShowMessage(const QString& text, const QString& caption) {
    platform_.messages->Show(this, text, caption, MB_OK);
}

void MainDialog::SetOutputPathText(const QString& path) {
    controls_.outputPathBox().setText(path);
}
