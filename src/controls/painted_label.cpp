#include "controls/painted_label.h"

#include <QPainter>

PaintedLabel::PaintedLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    // Nothing is filled: whatever the parent painted beneath shows through, and a new
    // text makes the parent repaint the area under the old one first.
    setAutoFillBackground(false);
    setAttribute(Qt::WA_NoSystemBackground);
}

void PaintedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int width = this->width();
    painter.setClipRect(QRect(1, 1, width - 1, height() - 1));
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const QColor textColour(Qt::black);
    const QColor shadowColour(Qt::black);
    const Qt::Alignment horizontal = alignment() & Qt::AlignHorizontal_Mask;
    int y = 0;
    for (const QString& line : text().split('\n')) {
        const int w = metrics.horizontalAdvance(line);
        const int h = metrics.height();
        int x = kEdgeGap;
        if (horizontal & Qt::AlignHCenter)
            x = (width - w) / 2;
        else if (horizontal & Qt::AlignRight)
            x = width - w - kEdgeGap;
        const int baseline = y + metrics.ascent();
        if (!isEnabled()) {
            painter.setPen(shadowColour);
            painter.drawText(QPoint(x + 1, baseline + 1), line);
        }
        painter.setPen(textColour);
        painter.drawText(QPoint(x, baseline), line);
        y += h + 1;
    }
}
