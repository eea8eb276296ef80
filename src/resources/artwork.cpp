#include "resources/artwork.h"

#include "resources/resource_ids.h"

namespace {

QString ImagePathOf(int id) {
    switch (id) {
        case IDB_BACKGROUND:
            return QStringLiteral(":/artwork/background.png");
        case IDR_MAINFRAME:
            return QStringLiteral(":/artwork/program.png");
        default:
            return {};
    }
}

}  // namespace

QPixmap LoadResourceBitmap(int id) {
    const QString path = ImagePathOf(id);
    return path.isEmpty() ? QPixmap() : QPixmap(path);
}

QIcon LoadResourceIcon(int id) {
    const QString path = ImagePathOf(id);
    return path.isEmpty() ? QIcon() : QIcon(path);
}
