#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <optional>

// Images of the program's resources, by resource id; null when the id has none.
QPixmap LoadResourceBitmap(int id);
QIcon LoadResourceIcon(int id);
// The cursor with its hot spot; nothing when the id has none.
std::optional<QCursor> LoadResourceCursor(int id);
