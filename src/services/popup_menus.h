#pragma once

#include <QPoint>
#include <memory>

class QMenu;
class QWidget;

// Shows a popup menu at a screen point and waits for the user's choice.
class PopupMenus {
  public:
    virtual ~PopupMenus() = default;
    // The command id of the chosen item, or 0 when the menu was dismissed.
    virtual int Track(QMenu& menu, const QPoint& screenPoint, QWidget* owner) = 0;
};

std::unique_ptr<PopupMenus> MakeQtPopupMenus();
