#pragma once

#include <QIcon>
#include <QPixmap>

// Images of the program's resources, by resource id; null when the id has none.
QPixmap LoadResourceBitmap(int id);
QIcon LoadResourceIcon(int id);
