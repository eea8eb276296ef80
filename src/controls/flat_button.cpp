#include "controls/flat_button.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include "resources/artwork.h"

namespace {

// One-pixel lines with the right or bottom end excluded, as classic line drawing has them.
void HorizontalLine(QPainter& painter, int left, int right, int y, const QColor& colour) {
    if (right > left) painter.fillRect(QRect(left, y, right - left, 1), colour);
}

void VerticalLine(QPainter& painter, int x, int top, int bottom, const QColor& colour) {
    if (bottom > top) painter.fillRect(QRect(x, top, 1, bottom - top), colour);
}

// A one-pixel frame: topLeft on the top and left edges, bottomRight on the others.
void Frame3d(QPainter& painter, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    const int right = r.x() + r.width();
    const int bottom = r.y() + r.height();
    HorizontalLine(painter, r.x(), right - 1, r.y(), topLeft);
    VerticalLine(painter, r.x(), r.y(), bottom - 1, topLeft);
    VerticalLine(painter, right - 1, r.y(), bottom, bottomRight);
    HorizontalLine(painter, r.x(), right, bottom - 1, bottomRight);
}

// Every other pixel of the rectangle's outline, as a focus rectangle is drawn.
void DottedFrame(QPainter& painter, const QRect& r, const QColor& colour) {
    const int right = r.x() + r.width();
    const int bottom = r.y() + r.height();
    for (int x = r.x(); x < right; x += 2) {
        painter.fillRect(QRect(x, r.y(), 1, 1), colour);
        painter.fillRect(QRect(x, bottom - 1, 1, 1), colour);
    }
    for (int y = r.y(); y < bottom; y += 2) {
        painter.fillRect(QRect(r.x(), y, 1, 1), colour);
        painter.fillRect(QRect(right - 1, y, 1, 1), colour);
    }
}

}  // namespace

FlatButton::FlatButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setAutoDefault(false);
    setMouseTracking(true);
    // A click gives the button the focus before the window's own handler runs.
    connect(this, &QAbstractButton::clicked, this, [this] { setFocus(Qt::MouseFocusReason); });
}

int FlatButton::SetButtonIcon(int iconId, int) {
    icon_ = QIcon();
    iconSize_ = QSize();
    const QPixmap image = LoadResourceBitmap(iconId);
    if (image.isNull()) return 1;
    icon_ = LoadResourceIcon(iconId);
    iconSize_ = image.deviceIndependentSize().toSize();
    Repaint(true);
    return 0;
}

int FlatButton::SetFlatLook(bool flat, bool repaint) {
    flat_ = flat;
    Repaint(repaint);
    return 0;
}

void FlatButton::SetParentBackground(bool repaint) {
    parentBackground_ = true;
    Repaint(repaint);
}

int FlatButton::SetHoverCursor(int cursorId, bool repaint) {
    unsetCursor();
    if (cursorId == 0) return 0;
    const std::optional<QCursor> cursor = LoadResourceCursor(cursorId, devicePixelRatio());
    if (cursor) setCursor(*cursor);
    Repaint(repaint);
    return cursor ? 0 : 1;
}

void FlatButton::SetTipText(const QString& text, bool activate) {
    if (text.isEmpty()) return;
    setToolTip(activate ? text : QString());
}

int FlatButton::SetImageLayout(int layout, bool repaint) {
    if (layout < 0 || layout >= kLayoutCount) return kLayoutCount;
    imageLayout_ = layout;
    Repaint(repaint);
    return 0;
}

void FlatButton::Repaint(bool repaint) {
    if (repaint) update();
}

// Only the left button presses; the others are taken here all the same, so that a right
// click on a button is not one on the window beneath.
void FlatButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        QPushButton::mousePressEvent(event);
    else
        event->accept();
}

void FlatButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        QPushButton::mouseReleaseEvent(event);
    else
        event->accept();
}

// Enter presses the focused button, as Space does; it never reaches the window.
void FlatButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (!event->isAutoRepeat()) click();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void FlatButton::mouseMoveEvent(QMouseEvent* event) {
    QPushButton::mouseMoveEvent(event);
    // No hover starts while the left button is held, as during a drag from elsewhere.
    if ((event->buttons() & Qt::LeftButton) && !hovering_) return;
    if (!flat_) return;
    if (rect().contains(event->position().toPoint())) {
        if (!hovering_) {
            hovering_ = true;
            update();
        }
        return;
    }
    EndHover();
}

void FlatButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // A quick second click is a click of its own.
    mousePressEvent(event);
}

void FlatButton::leaveEvent(QEvent* event) {
    QPushButton::leaveEvent(event);
    EndHover();
}

void FlatButton::focusOutEvent(QFocusEvent* event) {
    QPushButton::focusOutEvent(event);
    EndHover();
}

void FlatButton::changeEvent(QEvent* event) {
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        MoveFocusOnward();
        EndHover();
    } else if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
        EndHover();
    }
}

void FlatButton::EndHover() {
    if (flat_ && hovering_) {
        hovering_ = false;
        update();
    }
}

// The keyboard focus goes to the next tab stop after this button, or to the parent when
// there is none, whichever control had it before.
void FlatButton::MoveFocusOnward() {
    QWidget* parent = parentWidget();
    if (!parent) return;
    for (QWidget* next = nextInFocusChain(); next && next != this;
         next = next->nextInFocusChain()) {
        if (next->parentWidget() != parent) continue;
        if ((next->focusPolicy() & Qt::TabFocus) && next->isEnabled() &&
            next->isVisibleTo(parent)) {
            next->setFocus(Qt::TabFocusReason);
            return;
        }
    }
    parent->setFocus(Qt::OtherFocusReason);
}

void FlatButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect item = rect();
    QRect caption = item;
    const bool pressed = isDown();
    const bool disabled = !isEnabled();

    // With the parent's background the parent's pixels already lie beneath.
    if (!parentBackground_) PaintBackground(painter, item);
    PaintBorder(painter, item);
    const QString captionText = text();
    if (!icon_.isNull())
        PaintIcon(painter, !captionText.isEmpty(), item, caption, pressed, disabled);
    if (!captionText.isEmpty())
        PaintCaption(painter, captionText, item, caption, pressed, disabled);
    if ((!flat_ || kFocusWhenFlat) && hasFocus())
        DottedFrame(painter, item.adjusted(3, 3, -3, -3), kText);
}

void FlatButton::PaintBackground(QPainter& painter, const QRect& item) {
    QRect area = item;
    if (!flat_ && (hasFocus() || isDefault())) {
        Frame3d(painter, area, Qt::black, Qt::black);
        area.adjust(1, 1, -1, -1);
    }
    painter.fillRect(area, kFace);
}

void FlatButton::PaintBorder(QPainter& painter, const QRect& item) {
    if (isDown()) {
        if (flat_) {
            if (kDrawBorder) Frame3d(painter, item, kShadow, kHighlight);
        } else {
            Frame3d(painter, item, kShadow, kShadow);
        }
        return;
    }
    if (!flat_) {
        const int left = item.x();
        const int top = item.y();
        const int right = left + item.width();
        const int bottom = top + item.height();
        VerticalLine(painter, left, top, bottom, kHighlight);
        HorizontalLine(painter, left, right, top, kHighlight);
        VerticalLine(painter, left + 1, top + 1, bottom, kLight);
        HorizontalLine(painter, left + 1, right, top + 1, kLight);
        HorizontalLine(painter, left, right - 1, bottom - 1, kDarkShadow);
        VerticalLine(painter, right - 1, top, bottom, kDarkShadow);
        HorizontalLine(painter, left + 1, right - 2, bottom - 2, kShadow);
        VerticalLine(painter, right - 2, top + 1, bottom - 1, kShadow);
        return;
    }
    if (hovering_ && kDrawBorder) Frame3d(painter, item, kHighlight, kShadow);
}

void FlatButton::PaintIcon(QPainter& painter, bool hasText, const QRect& item, QRect& caption,
                           bool pressed, bool disabled) {
    const int w = iconSize_.width();
    const int h = iconSize_.height();
    QPoint at(item.x() + (item.width() - w) / 2, item.y() + (item.height() - h) / 2);
    if (hasText && imageLayout_ == ImageLeft) {
        at.setX(item.x() + kImageMarginX);
        caption.setLeft(caption.left() + w + kImageMarginX);
    } else if (hasText && imageLayout_ == ImageAbove) {
        at.setY(kImageMarginY);
        caption.setTop(caption.top() + h);
    }
    if (pressed) at += QPoint(kPressOffsetX, kPressOffsetY);
    // The device actually painted on: a window's backing store, or the image a render fills.
    const qreal pixelRatio = painter.paintEngine()->paintDevice()->devicePixelRatio();
    painter.drawPixmap(at, IconPixmap(pixelRatio, disabled));
}

// The icon's image for the screen's pixel ratio; a disabled one is greyed towards the
// light face the button stands on, not towards the desktop's window colour.
QPixmap FlatButton::IconPixmap(qreal pixelRatio, bool disabled) const {
    const QPixmap normal = icon_.pixmap(iconSize_, pixelRatio);
    if (!disabled) return normal;
    QStyleOption option;
    option.initFrom(this);
    option.palette.setColor(QPalette::Disabled, QPalette::Window, kFace);
    return style()->generatedIconPixmap(QIcon::Disabled, normal, &option);
}

void FlatButton::PaintCaption(QPainter& painter, const QString& text, const QRect&, QRect& caption,
                              bool pressed, bool disabled) {
    if (pressed) caption.translate(kPressOffsetX, kPressOffsetY);
    const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
    QRect block = painter.fontMetrics().boundingRect(caption, flags, text);
    block.moveTopLeft(QPoint(caption.x() + (caption.width() - block.width()) / 2,
                             caption.y() + (caption.height() - block.height()) / 2));
    if (disabled) {
        painter.setPen(kHighlight);
        painter.drawText(block.translated(1, 1), flags, text);
        painter.setPen(kShadow);
    } else {
        painter.setPen(kText);
    }
    painter.drawText(block, flags, text);
}
