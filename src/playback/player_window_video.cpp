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
    const QRect workArea = WorkAreaOf(mainWindow);
    const int mainTop = mainWindow ? mainWindow->frameGeometry().top() : workArea.bottom();
    const int left = workArea.left() + 100;
    const int top = workArea.top() + 5;
    const int right = workArea.left() + ((mainTop - workArea.top() - 5) * 4) / 3;
    const int bottom = mainTop;

    m_hWnd = std::make_unique<PreviewWindow>(*this);
    m_hWnd->setWindowIcon(LoadResourceIcon(IDR_MAINFRAME));
    // The rectangle is the outer one: the frame's corner goes to (left, top). The user never
    // resizes the window.
    m_hWnd->setFixedSize(std::max(right - left, kLeastWidth), std::max(bottom - top, kLeastHeight));
    m_hWnd->move(left, top);
    windowCreated = true;
}

HRESULT PlayerWindow::InitVideoWindow(int numerator, int denominator) {
    if (!pBV) return S_OK;
    long nativeWidth = 0;
    long nativeHeight = 0;
    const HRESULT sizeResult = pBV->GetVideoSize(&nativeWidth, &nativeHeight);
    if (sizeResult == E_NOINTERFACE) return S_OK;
    // Without a native size the window keeps the size it has.
    if (SUCCEEDED(sizeResult) && denominator != 0) {
        const long width = nativeWidth * numerator / denominator;
        const long height = nativeHeight * numerator / denominator;
        if (width > 0 && height > 0) m_hWnd->setFixedSize(width, height);
    }
    const QRect client = m_hWnd->rect();
    const HRESULT hr =
        pVW->SetWindowPosition(client.left(), client.top(), client.width(), client.height());
    if (FAILED(hr)) {
        ShowDiagnostic(QString::asprintf(
            "FAILED(hr=0x%x) in pVW->SetWindowPosition(rect.left, rect.top, rect.right, "
            "rect.bottom)\n",
            static_cast<unsigned>(hr)));
    }
    return hr;
}

void PlayerWindow::UpdateTitle() {
    const qsizetype separator = std::max(mediaPath.lastIndexOf('\\'), mediaPath.lastIndexOf('/'));
    const QString fileName = separator < 0 ? mediaPath : mediaPath.mid(separator + 1);
    const QString muted = volume == -10000 ? QStringLiteral("(Muted)") : QString();
    if (m_hWnd) m_hWnd->setWindowTitle(fileName + ' ' + muted + ' ');
}

void PlayerWindow::DestroyVideoWindow() {
    if (pVW) {
        if (m_hWnd) m_hWnd->hide();
        pVW->put_Visible(OAFALSE);
    }
    if (mainWindow) mainWindow->update();
    // The renderer and the position timer go with the window.
    m_hWnd.reset();
}

void PlayerWindow::ShowContextMenu(QPoint clientPoint) {
    const std::unique_ptr<QMenu> menu = LoadResourceMenu(IDR_PREVIEW_MENU);
    if (!menu) {
        instance.messages->Show(nullptr, "error", "error", MB_OK);
        return;
    }
    QMenu* preview = SubMenuOf(menu.get(), 0);
    QMenu* audioChannel = SubMenuOf(preview, 0);
    const int checked[] = {ID_CHANNEL_LEFT, ID_CHANNEL_STEREO, ID_CHANNEL_RIGHT};
    if (channel >= kChannelLeft && channel <= kChannelRight)
        CheckMenuItem(audioChannel, checked[channel - kChannelLeft]);
    if (!preview || !m_hWnd) return;
    const int command =
        instance.menus->Track(*preview, m_hWnd->mapToGlobal(clientPoint), m_hWnd.get());
    if (command != 0) PostCommand(m_hWnd.get(), command);
}

void PlayerWindow::ToggleWindowOrder() {
    if (!pVW || !mainWindow || !m_hWnd) return;
    if (frontToggle) {
        SetStaysOnTop(mainWindow, false);
        m_hWnd->show();
        m_hWnd->raise();
    } else {
        SetStaysOnTop(mainWindow, true);
    }
    frontToggle = !frontToggle;
}

void PlayerWindow::OnVideoWindowMovedOrSized() {
    if (videoShown) FitVideoToClientArea();
}

void PlayerWindow::FitVideoToClientArea() {
    if (!pVW || !m_hWnd) return;
    const QRect client = m_hWnd->rect();
    pVW->SetWindowPosition(0, 0, client.width(), client.height());
}

void PlayerWindow::OnVideoWindowCommand(int commandId) {
    switch (commandId) {
        case ID_PREVIEW_CLOSE:
            if (m_hWnd) m_hWnd->close();
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
        default:
            break;
    }
}

void PlayerWindow::OnVideoWindowClose() {
    if (mainWindow) PostCommand(mainWindow, IDC_CLOSE_MEDIA);
}

void PlayerWindow::OnVideoWindowTimer(int timerId) {
    if (timerId == ID_PLAYER_POSITION_TIMER) PollPosition();
}
