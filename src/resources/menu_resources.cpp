#include "resources/menu_resources.h"

#include <span>

#include "resources/resource_ids.h"

namespace {

struct MenuItemTemplate {
    const char* text;  // null: separator
    int commandId;     // 0 for a popup
    std::span<const MenuItemTemplate> popup;
};

constexpr MenuItemTemplate kAudioChannel[] = {
    {"Stereo", ID_CHANNEL_STEREO, {}},
    {"Left", ID_CHANNEL_LEFT, {}},
    {"Right", ID_CHANNEL_RIGHT, {}},
};

constexpr MenuItemTemplate kPreview[] = {
    {"Audio channel", 0, kAudioChannel},
    {nullptr, 0, {}},
    {"Key up", ID_KEY_UP, {}},
    {"Key down", ID_KEY_DOWN, {}},
    {"Slower", ID_TEMPO_SLOWER, {}},
    {"Faster", ID_TEMPO_FASTER, {}},
    {"Vocal cut", ID_VOCAL_CUT, {}},
    {"Reset key and tempo", ID_RESET_TUNING, {}},
    {nullptr, 0, {}},
    {"Close", ID_PREVIEW_CLOSE, {}},
};

constexpr MenuItemTemplate kPreviewMenu[] = {
    {"PREVIEW", 0, kPreview},
};

constexpr CommandShortcut kTuningShortcuts[] = {
    {Qt::CTRL | Qt::Key_Up, ID_KEY_UP},         {Qt::CTRL | Qt::Key_Down, ID_KEY_DOWN},
    {Qt::CTRL | Qt::Key_Left, ID_TEMPO_SLOWER}, {Qt::CTRL | Qt::Key_Right, ID_TEMPO_FASTER},
    {Qt::CTRL | Qt::Key_V, ID_VOCAL_CUT},
};

void AddItems(QMenu* menu, std::span<const MenuItemTemplate> items) {
    for (const MenuItemTemplate& item : items) {
        if (!item.text) {
            menu->addSeparator();
        } else if (!item.popup.empty()) {
            AddItems(menu->addMenu(QString::fromUtf8(item.text)), item.popup);
        } else {
            QAction* action = menu->addAction(QString::fromUtf8(item.text));
            action->setData(item.commandId);
            // Shown beside the item; the windows themselves own the keys.
            for (const CommandShortcut& shortcut : kTuningShortcuts) {
                if (shortcut.commandId == item.commandId) {
                    action->setShortcut(QKeySequence(shortcut.keys));
                    action->setShortcutContext(Qt::WidgetShortcut);
                }
            }
        }
    }
}

}  // namespace

std::unique_ptr<QMenu> LoadResourceMenu(int id) {
    if (id != IDR_PREVIEW_MENU) return nullptr;
    auto menu = std::make_unique<QMenu>();
    AddItems(menu.get(), kPreviewMenu);
    return menu;
}

QMenu* SubMenuOf(QMenu* menu, int n) {
    if (!menu) return nullptr;
    int popups = 0;
    for (QAction* action : menu->actions()) {
        if (action->menu() && popups++ == n) return action->menu();
    }
    return nullptr;
}

void CheckMenuItem(QMenu* menu, int commandId) {
    if (!menu) return;
    // Only the checked item is checkable: an unchecked checkable item would show an empty
    // box, where a classic menu shows nothing.
    for (QAction* action : menu->actions()) {
        if (action->menu() || action->isSeparator()) continue;
        const bool checked = action->data().toInt() == commandId;
        action->setCheckable(checked);
        action->setChecked(checked);
    }
}

void MarkMenuItem(QMenu* menu, int commandId, bool checked) {
    if (!menu) return;
    for (QAction* action : menu->actions()) {
        if (action->menu() || action->data().toInt() != commandId) continue;
        action->setCheckable(checked);
        action->setChecked(checked);
    }
}

std::span<const CommandShortcut> TuningShortcuts() {
    return kTuningShortcuts;
}
