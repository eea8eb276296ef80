#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QWindow>
#include <algorithm>

#include "platform/platform.h"
#include "playback/player_window.h"
#include "playback/preview_window.h"
#include "resources/artwork.h"
#include "resources/menu_resources.h"
#include "resources/resource_ids.h"
#include "services/message_boxes.h"
#include "services/popup_menus.h"
#include "services/window_messages.h"

namespace {

// The smallest first size of the video window; the band above the main window can be
// too thin to hold a window at all.
constexpr int kLeastWidth = 160;
constexpr int kLeastHeight = 120;

QRect WorkAreaOf(const QWidget* window) {
    const QScreen* screen = window ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void SetStaysOnTop(QWidget* window, bool onTop) {
    // The flag goes to the native window directly: changing a shown dialog's widget flags
    // would hide it and end its modal loop.
    if (QWindow* native = window->windowHandle()) native->setFlag(Qt::WindowStaysOnTopHint, onTop);
    window->show();
}

}  // namespace

void PlayerWindow::CreateVideoWindow() {
    const QRect workArea = WorkAreaOf(mainWindow_);
    const int mainTop = mainWindow_ ? mainWindow_->frameGeometry().top() : workArea.bottom();
    const int left = workArea.left() + 100;
    const int top = workArea.top() + 5;
    const int right = workArea.left() + ((mainTop - workArea.top() - 5) * 4) / 3;
    const int bottom = mainTop;

    videoWindow_ = std::make_unique<PreviewWindow>(*this);
    videoWindow_->setWindowIcon(LoadResourceIcon(IDR_MAINFRAME));
    // The rectangle is the outer one: the frame's corner goes to (left, top). The user never
    // resizes the window.
    videoWindow_->setFixedSize(std::max(right - left, kLeastWidth),
                               std::max(bottom - top, kLeastHeight));
    videoWindow_->move(left, top);
    windowCreated_ = true;
}

HRESULT PlayerWindow::InitVideoWindow(int numerator, int denominator) {
    if (!pBV_) return S_OK;
    long nativeWidth = 0;
    long nativeHeight = 0;
    const HRESULT sizeResult = pBV_->GetVideoSize(&nativeWidth, &nativeHeight);
    if (sizeResult == E_NOINTERFACE) return S_OK;
    // Without a native size the window keeps the size it has.
    if (SUCCEEDED(sizeResult) && denominator != 0) {
        const long width = nativeWidth * numerator / denominator;
        const long height = nativeHeight * numerator / denominator;
        if (width > 0 && height > 0) videoWindow_->setFixedSize(width, height);
    }
    const QRect client = videoWindow_->rect();
    const HRESULT hr =
        pVW_->SetWindowPosition(client.left(), client.top(), client.width(), client.height());
    if (FAILED(hr)) {
        ShowDiagnostic(QString::asprintf(
            "FAILED(hr=0x%x) in pVW->SetWindowPosition(rect.left, rect.top, rect.right, "
            "rect.bottom)\n",
            static_cast<unsigned>(hr)));
    }
    return hr;
}

void PlayerWindow::UpdateTitle() {
    const qsizetype separator = std::max(mediaPath_.lastIndexOf('\\'), mediaPath_.lastIndexOf('/'));
    const QString fileName = separator < 0 ? mediaPath_ : mediaPath_.mid(separator + 1);
    const QString muted = volume_ == -10000 ? QStringLiteral("(Muted)") : QString();
    const QString tuning = CaptionOf(tuning_);
    const QString name = tuning.isEmpty() ? fileName : fileName + "  " + tuning;
    if (videoWindow_) videoWindow_->setWindowTitle(name + ' ' + muted + ' ');
}

void PlayerWindow::DestroyVideoWindow() {
    if (pVW_) {
        if (videoWindow_) videoWindow_->hide();
        pVW_->put_Visible(OAFALSE);
    }
    if (mainWindow_) mainWindow_->update();
    // The renderer and the position timer go with the window.
    videoWindow_.reset();
}

void PlayerWindow::ShowContextMenu(QPoint clientPoint) {
    const std::unique_ptr<QMenu> menu = LoadResourceMenu(IDR_PREVIEW_MENU);
    if (!menu) {
        instance_.messages->Show(nullptr, "error", "error", MB_OK);
        return;
    }
    QMenu* preview = SubMenuOf(menu.get(), 0);
    QMenu* audioChannel = SubMenuOf(preview, 0);
    const int checked[] = {ID_CHANNEL_LEFT, ID_CHANNEL_STEREO, ID_CHANNEL_RIGHT};
    if (channel_ >= kChannelLeft && channel_ <= kChannelRight)
        CheckMenuItem(audioChannel, checked[channel_ - kChannelLeft]);
    MarkMenuItem(preview, ID_VOCAL_CUT, tuning_.vocalCut);
    if (!preview || !videoWindow_) return;
    const int command = instance_.menus->Track(*preview, videoWindow_->mapToGlobal(clientPoint),
                                               videoWindow_.get());
    if (command != 0) PostCommand(videoWindow_.get(), command);
}

void PlayerWindow::ToggleWindowOrder() {
    if (!pVW_ || !mainWindow_ || !videoWindow_) return;
    if (frontToggle_) {
        SetStaysOnTop(mainWindow_, false);
        videoWindow_->show();
        videoWindow_->raise();
    } else {
        SetStaysOnTop(mainWindow_, true);
    }
    frontToggle_ = !frontToggle_;
}

void PlayerWindow::OnVideoWindowMovedOrSized() {
    if (videoShown_) FitVideoToClientArea();
}

void PlayerWindow::FitVideoToClientArea() {
    if (!pVW_ || !videoWindow_) return;
    const QRect client = videoWindow_->rect();
    pVW_->SetWindowPosition(0, 0, client.width(), client.height());
}

void PlayerWindow::OnVideoWindowCommand(int commandId) {
    switch (commandId) {
        case ID_PREVIEW_CLOSE:
            if (videoWindow_) videoWindow_->close();
            break;
        case ID_CHANNEL_STEREO:
            SetChannel(kChannelStereo);
            break;
        case ID_CHANNEL_LEFT:
            SetChannel(kChannelLeft);
            break;
        case ID_CHANNEL_RIGHT:
            SetChannel(kChannelRight);
            break;
        case ID_KEY_UP:
        case ID_KEY_DOWN:
        case ID_TEMPO_SLOWER:
        case ID_TEMPO_FASTER:
        case ID_VOCAL_CUT:
        case ID_RESET_TUNING:
            // The main window keeps the tuning of each song.
            if (mainWindow_) PostCommand(mainWindow_, commandId);
            break;
        default:
            break;
    }
}

void PlayerWindow::OnVideoWindowClose() {
    if (mainWindow_) PostCommand(mainWindow_, IDC_CLOSE_MEDIA);
}

void PlayerWindow::OnVideoWindowTimer(int timerId) {
    if (timerId == ID_PLAYER_POSITION_TIMER) PollPosition();
}
