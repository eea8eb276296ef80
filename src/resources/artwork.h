#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <optional>

// Images of the program's resources, by resource id; null when the id has none. Each image
// exists at its own size and at twice its pixel density: a pixel ratio of 1.5 or more
// takes the dense one, which keeps the same size on the screen.
QPixmap LoadResourceBitmap(int id, qreal pixelRatio = 1.0);
// Both densities, for Qt to choose from wherever the icon is shown.
QIcon LoadResourceIcon(int id);
// The cursor with its hot spot; nothing when the id has none.
std::optional<QCursor> LoadResourceCursor(int id, qreal pixelRatio = 1.0);
