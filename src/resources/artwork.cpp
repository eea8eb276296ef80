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

QPixmap LoadResourceBitmap(int id, qreal pixelRatio) {
    QString path = ImagePathOf(id);
    if (path.isEmpty()) return {};
    if (pixelRatio < 1.5) return QPixmap(path);
    QPixmap dense(path.replace(QStringLiteral(".png"), QStringLiteral("@2x.png")));
    dense.setDevicePixelRatio(2.0);
    return dense;
}

QIcon LoadResourceIcon(int id) {
    const QPixmap image = LoadResourceBitmap(id);
    if (image.isNull()) return {};
    QIcon icon(image);
    icon.addPixmap(LoadResourceBitmap(id, 2.0));
    return icon;
}

std::optional<QCursor> LoadResourceCursor(int id, qreal pixelRatio) {
    const QPixmap image = LoadResourceBitmap(id, pixelRatio);
    if (image.isNull() || id != IDC_HAND_CURSOR) return std::nullopt;
    // The tip of the pointing finger. The window system takes the hot spot in the image's
    // own pixels, so a dense image has it twice as far from the corner.
    const int ratio = static_cast<int>(image.devicePixelRatio());
    return QCursor(image, 5 * ratio, 0);
}
