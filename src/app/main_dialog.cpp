#include "app/main_dialog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSlider>

#include "app/output_naming.h"
#include "app/settings_store.h"
#include "controls/dialog_builder.h"
#include "mixer/mixer_control.h"
#include "platform/platform.h"
#include "playback/player_window.h"
#include "resources/artwork.h"
#include "resources/dialog_template.h"
#include "resources/product_site.h"
#include "resources/resource_ids.h"
#include "services/message_boxes.h"

MainDialog::MainDialog(Platform& platform, SettingsStore& settings, QWidget* parent)
    : QDialog(parent), platform_(platform), settings_(settings) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    timers_ = platform_.makeTimers([this](int timerId) { OnTimer(timerId); });
    mixerControl_ = std::make_unique<MixerControl>(*platform_.mixer, *platform_.messages);
    controls_ = BuildControls(*this, MainDialogTemplate(), platform_);
    ConnectControls();
}

MainDialog::~MainDialog() = default;

int MainDialog::DoModal() {
    OnInitDialog();
    // Disabled buttons pass the focus on; the window opens with it on its first tab stop.
    Control(IDC_OPEN)->setFocus();
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
    // the About button alone; its text stays in the string table.
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

    captureChoices_.captureDeviceCount = 0;
    captureChoices_.nSoundCaptureIndex =
        settings_.ReadInt(kOptionSection, kSoundCaptureIndexValue, 0);
    captureChoices_.nCapturePinIndex = settings_.ReadInt(kOptionSection, kCapturePinIndexValue, 0);
    captureChoices_.nSearchFlag = settings_.ReadInt(kOptionSection, kSearchFlagValue, 0);

    Slider(IDC_RECORDING_VOLUME)->setRange(0, 200);
    Slider(IDC_RECORDING_VOLUME)->setValue(200);
    Slider(IDC_SEEK_BAR)->setRange(0, 600);
    Slider(IDC_SEEK_BAR)->setValue(0);

    outputFolder_ = GetDefaultOutputFolder(kOptionSection, kLastOutputFolderValue, HomeFolder());
    SetOutputPathText(outputFolder_);
    outputPath_ = outputFolder_;

    // No hint while the stored device and input are selected at start-up.
    hintSuppressed_ = true;
    ResetCaptureGraph();
    if (FAILED(BuildBaseGraph()) || FAILED(EnumerateCaptureDevices())) {
        TearDownCaptureGraph();
        // Like a posted quit: the rest of the start-up runs, then the modal loop ends.
        QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
    }

    hintSuppressed_ = settings_.ReadInt(kOptionSection, kOnlyOnceValue, 0) != 0;
    if (captureChoices_.captureDeviceCount <= 1) Control(IDC_DEVICE_LABEL)->hide();
    SetUpButtons();

    Control(IDC_SPARE_LABEL)->hide();
    Control(IDC_CLOSE_MEDIA)->hide();
    DisableRecordingControls();
    if (captureChoices_.nSearchFlag == 1 && captureChoices_.captureDeviceCount <= 1)
        Control(IDC_INPUT_LIST)->hide();

    Slider(IDC_MEDIA_VOLUME)->setRange(0, 100);
    playbackVolume_ = settings_.ReadInt(kOptionSection, kPlaybackVolumeValue, 100);
    Slider(IDC_MEDIA_VOLUME)->setValue(playbackVolume_);
    if (currentPlayer_) currentPlayer_->SetVolume(static_cast<float>(playbackVolume_) * 0.01f);

    FindMicrophoneMixer(0);
    mixerControl_->SetOwner(this);
    Slider(IDC_MICROPHONE_VOLUME)->setRange(0, 200);
    Slider(IDC_MICROPHONE_VOLUME)->setValue(200);
    if (micMixerId_ != -1 && mixerControl_->OpenMixer(this, nullptr, micMixerId_))
        micReady_ = mixerControl_->BindMicrophoneVolume(this);
    if (micReady_ == 0) {
        ShowMessage(
            "Adjusting Microphone volume does not work in the program,\n"
            "please adjust it in Volume control or Recording Control",
            "Message");
        Control(IDC_MICROPHONE_VOLUME)->setEnabled(false);
    }
}

void MainDialog::CloseMediaCommand() {
    StopRecording();
    ReleasePlayer();
    mediaLength_ = 0;
    mediaLengthSeconds_ = 0;
    mediaPath_.clear();
    setWindowTitle("Tarvelo");
    DisableRecordingControls();
    outputPath_ = outputFolder_;
    SetOutputPathText(outputPath_);
}

void MainDialog::DisableRecordingControls() {
    for (int id : {IDC_START, IDC_STOP, IDC_OUTPUT_PATH, IDC_BROWSE, IDC_PLAY})
        Control(id)->setEnabled(false);
}

void MainDialog::EnableRecordingControls(bool enable) {
    for (int id : {IDC_START, IDC_STOP, IDC_PLAY, IDC_OPEN, IDC_OUTPUT_PATH, IDC_BROWSE})
        Control(id)->setEnabled(enable);
}

void MainDialog::OnClose() {
    if (recorder_.control) recorder_.control->Stop();
    TearDownCaptureGraph();
    ReleasePlayer();
    settings_.WriteInt(kOptionSection, kSoundCaptureIndexValue, captureChoices_.nSoundCaptureIndex);
    settings_.WriteInt(kOptionSection, kCapturePinIndexValue, captureChoices_.nCapturePinIndex);
    settings_.WriteInt(kOptionSection, kSearchFlagValue, captureChoices_.nSearchFlag);
    outputPath_ = Edit(IDC_OUTPUT_PATH)->text();
    settings_.WriteString(kOptionSection, kLastOutputFolderValue, outputFolder_);
    FindMicrophoneMixer(1);
    PromptForUpdate(QString(kProductSite) + kProductPagePath);
}

void MainDialog::OnDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    TearDownCaptureGraph();
    settings_.WriteInt(kOptionSection, kPlaybackVolumeValue, playbackVolume_);
    backgroundBitmap_ = QPixmap();
    if (micReady_ == 1) mixerControl_->CloseMixer(this);
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

void MainDialog::paintEvent(QPaintEvent* event) {
    if (!backgroundBitmap_.isNull()) {
        QPainter painter(this);
        painter.drawTiledPixmap(rect(), backgroundBitmap_);
    }
    QDialog::paintEvent(event);
}

void MainDialog::TearDownCaptureGraph() {
    ReleaseDeviceList();
    ComboBox(IDC_INPUT_LIST)->clear();
    RemoveRecordingBranch();
    ReleaseCaptureGraph();
}

void MainDialog::ShowMessage(const QString& text, const QString& caption) {
    platform_.messages->Show(this, text, caption, MB_OK);
}

void MainDialog::SetOutputPathText(const QString& path) {
    Edit(IDC_OUTPUT_PATH)->setText(path);
}

QWidget* MainDialog::Control(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}
QAbstractButton* MainDialog::Button(int id) const {
    return qobject_cast<QAbstractButton*>(Control(id));
}
QSlider* MainDialog::Slider(int id) const {
    return qobject_cast<QSlider*>(Control(id));
}
QComboBox* MainDialog::ComboBox(int id) const {
    return qobject_cast<QComboBox*>(Control(id));
}
QLineEdit* MainDialog::Edit(int id) const {
    return qobject_cast<QLineEdit*>(Control(id));
}
QLabel* MainDialog::Label(int id) const {
    return qobject_cast<QLabel*>(Control(id));
}
