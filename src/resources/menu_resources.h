#pragma once

#include <QKeySequence>
#include <QMenu>
#include <memory>
#include <span>

// Loads a menu resource: a bar-like menu whose items are its popups. Each command item
// carries its command id as the action's data. Null for an unknown id.
std::unique_ptr<QMenu> LoadResourceMenu(int id);

// The n-th popup of a menu (0-based), or null.
QMenu* SubMenuOf(QMenu* menu, int n);

// Puts the check mark on the item with commandId alone, as a radio group shows it.
void CheckMenuItem(QMenu* menu, int commandId);

// Marks a menu's item with commandId checked, or shows it plain (no empty box) when not.
void MarkMenuItem(QMenu* menu, int commandId, bool checked);

// The keys of the song's key, tempo and vocal-cut commands, the same in both windows.
struct CommandShortcut {
    QKeyCombination keys;
    int commandId;
};
std::span<const CommandShortcut> TuningShortcuts();
