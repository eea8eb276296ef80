#include <QMenu>

#include "services/popup_menus.h"

namespace {

class QtPopupMenus final : public PopupMenus {
  public:
    int Track(QMenu& menu, const QPoint& screenPoint, QWidget*) override {
        const QAction* chosen = menu.exec(screenPoint);
        return chosen ? chosen->data().toInt() : 0;
    }
};

}  // namespace

std::unique_ptr<PopupMenus> MakeQtPopupMenus() {
    return std::make_unique<QtPopupMenus>();
}
