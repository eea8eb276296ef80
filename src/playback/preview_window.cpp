#include "playback/preview_window.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QShortcut>

#include "platform/platform.h"
#include "playback/player_window.h"
#include "resources/menu_resources.h"
#include "services/window_messages.h"

PreviewWindow::PreviewWindow(PlayerWindow& player)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      player_(player) {
    setObjectName("PreviewWindow");
    setWindowTitle("Video Window");
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet("PreviewWindow { background: black; }");
    timers_ =
        player_.instance().makeTimers([this](int timerId) { player_.OnVideoWindowTimer(timerId); });
    for (const CommandShortcut& shortcut : TuningShortcuts()) {
        auto* key = new QShortcut(QKeySequence(shortcut.keys), this);
        connect(key, &QShortcut::activated, this,
                [this, id = shortcut.commandId] { player_.OnVideoWindowCommand(id); });
    }
}

PreviewWindow::~PreviewWindow() = default;

bool PreviewWindow::event(QEvent* event) {
    if (event->type() == PostedCommand::Type()) {
        player_.OnVideoWindowCommand(static_cast<PostedCommand*>(event)->commandId());
        return true;
    }
    if (event->type() == EventTypeOf(WM_GRAPHNOTIFY_PLAYER)) {
        player_.HandleGraphEvents();
        return true;
    }
    return QWidget::event(event);
}

void PreviewWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    player_.OnVideoWindowMovedOrSized();
}

void PreviewWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    player_.OnVideoWindowMovedOrSized();
}

void PreviewWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Coming back from the taskbar refits the video as a size change would.
    if (event->type() == QEvent::WindowStateChange && !isMinimized())
        player_.OnVideoWindowMovedOrSized();
}

void PreviewWindow::closeEvent(QCloseEvent* event) {
    // The main window's Close command releases the player, which destroys this window.
    event->ignore();
    player_.OnVideoWindowClose();
}

void PreviewWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        player_.ToggleWindowOrder();
    } else if (event->button() == Qt::RightButton) {
        player_.ShowContextMenu(event->position().toPoint());
    } else {
        QWidget::mouseReleaseEvent(event);
    }
}
