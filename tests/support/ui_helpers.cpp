#include "support/ui_helpers.h"

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QTimer>

void WhenModal(std::function<void(QDialog*)> action) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, action = std::move(action)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        poll->stop();
        poll->deleteLater();
        action(dialog);
    });
    poll->start();
}

QImage RenderedImage(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}
