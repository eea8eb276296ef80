#include "gst/video_renderer_widget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

VideoRendererWidget::VideoRendererWidget(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted from the frame; nothing behind needs drawing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void VideoRendererWidget::ShowFrame(const QImage& frame, std::shared_ptr<const void> keeper) {
    frame_ = frame;
    keeper_ = std::move(keeper);
    update();
}

void VideoRendererWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (frame_.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    if (frame_.size() == size())
        painter.drawImage(QPoint(0, 0), frame_);
    else
        painter.drawImage(rect(), frame_);
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
