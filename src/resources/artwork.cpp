#include "resources/artwork.h"

#include "resources/resource_ids.h"

namespace {

QString ImagePathOf(int id) {
    switch (id) {
        case IDB_BACKGROUND:
            return QStringLiteral(":/artwork/background.png");
        case IDR_MAINFRAME:
            return QStringLiteral(":/artwork/program.png");
        case IDC_HAND_CURSOR:
            return QStringLiteral(":/artwork/hand_cursor.png");
        case IDI_START:
            return QStringLiteral(":/artwork/start.png");
        case IDI_STOP:
            return QStringLiteral(":/artwork/stop.png");
        case IDI_OPEN:
            return QStringLiteral(":/artwork/open.png");
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
    const QPixmap image = LoadResourceBitmap(id);
    return image.isNull() ? QIcon() : QIcon(image);
}

std::optional<QCursor> LoadResourceCursor(int id) {
    const QPixmap image = LoadResourceBitmap(id);
    if (image.isNull() || id != IDC_HAND_CURSOR) return std::nullopt;
    // The tip of the pointing finger.
    return QCursor(image, 5, 0);
}
