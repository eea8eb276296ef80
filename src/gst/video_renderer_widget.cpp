#include "gst/video_renderer_widget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>

VideoRendererWidget::VideoRendererWidget(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted from the frame; nothing behind needs drawing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void VideoRendererWidget::ShowFrame(std::shared_ptr<const VideoPicture> picture) {
    // A picture that stays as it is needs no painting again.
    const bool same = picture_ && picture && picture->SharesPixelsWith(*picture_);
    picture_ = std::move(picture);
    if (same) return;
    converted_ = QImage();
    update();
}

void VideoRendererWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (!picture_) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    if (picture_->size() == size() && event->region() == QRegion(rect()) && DrawStraight(painter))
        return;
    if (converted_.isNull()) converted_ = picture_->ToImage();
    if (converted_.size() == size())
        painter.drawImage(QPoint(0, 0), converted_);
    else
        painter.drawImage(rect(), converted_);
}

// Converts the frame straight into the image the painter draws on, when that image holds
// 32-bit pixels and the whole widget lies in it unscaled: the window's own copy of the frame
// is then the only one made.
bool VideoRendererWidget::DrawStraight(QPainter& painter) {
    QPaintDevice* device = painter.paintEngine() ? painter.paintEngine()->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image) return false;
    auto* target = static_cast<QImage*>(device);
    const QTransform& placed = painter.deviceTransform();
    // An opaque frame has the same bits in either format: drawing it would copy them as
    // they are.
    const bool rgb32 = target->format() == QImage::Format_RGB32 ||
                       target->format() == QImage::Format_ARGB32_Premultiplied;
    if (!rgb32 || placed.type() > QTransform::TxTranslate) return false;
    const QPoint at(static_cast<int>(placed.dx()), static_cast<int>(placed.dy()));
    if (at != placed.map(QPointF(0, 0)) || !target->rect().contains(QRect(at, size())))
        return false;
    uchar* origin = target->bits() + at.y() * target->bytesPerLine() + at.x() * 4;
    return picture_->ConvertInto(converter_, origin, target->bytesPerLine());
}

bool VideoRendererWidget::event(QEvent* event) {
    if (drain_) {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseMove: {
                auto* mouse = static_cast<QMouseEvent*>(event);
                const QPointF local = drain_->mapFromGlobal(mouse->globalPosition());
                QMouseEvent forwarded(mouse->type(), local, mouse->globalPosition(),
                                      mouse->button(), mouse->buttons(), mouse->modifiers());
                QApplication::sendEvent(drain_, &forwarded);
                return true;
            }
            case QEvent::KeyPress:
            case QEvent::KeyRelease: {
                auto* key = static_cast<QKeyEvent*>(event);
                QKeyEvent forwarded(key->type(), key->key(), key->modifiers(), key->text(),
                                    key->isAutoRepeat(), key->count());
                QApplication::sendEvent(drain_, &forwarded);
                return true;
            }
            default:
                break;
        }
    }
    return QWidget::event(event);
}
