#include "controls/hyperlink_label.h"

#include <QCoreApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <cmath>
#include <utility>

#include "platform/platform.h"
#include "services/launcher.h"
#include "services/message_boxes.h"
#include "services/window_messages.h"

namespace {

const QStringList kPlaceholders = {"%u", "%U", "%f", "%F", "%1"};

qsizetype FirstOf(const QString& line, const QString& pattern) {
    qsizetype first = -1;
    for (const QString& placeholder : kPlaceholders) {
        const qsizetype at = line.indexOf(pattern.arg(placeholder));
        if (at >= 0 && (first < 0 || at < first)) first = at;
    }
    return first;
}

}  // namespace

QString CutAtPlaceholder(const QString& command) {
    qsizetype cut = FirstOf(command, QStringLiteral("\"%1\""));
    if (cut < 0) cut = FirstOf(command, QStringLiteral("%1"));
    return cut < 0 ? command : command.left(cut);
}

QString OpenFailureReason(int code) {
    switch (code) {
        case 0:
            return "The operating system is out\nof memory or resources.";
        case 2:
            return "The specified file was not found.";
        case 3:
            return "The specified path was not found.";
        case 5:
            return "The operating system denied\naccess to the specified file.";
        case 8:
            return "There was not enough memory to complete the operation.";
        case 11:
            return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
        case 26:
            return "A sharing violation occurred. ";
        case 27:
            return "The filename association is\nincomplete or invalid.";
        case 28:
            return "The DDE transaction could not\nbe completed because the request timed out.";
        case 29:
            return "The DDE transaction failed.";
        case 30:
            return "The DDE transaction could not\nbe completed because other DDE "
                   "transactions\nwere being processed.";
        case 31:
            return "There is no application associated\nwith the given filename extension.";
        case 32:
            return "The specified dynamic-link library was not found.";
        default:
            return QStringLiteral("Unknown Error (%1) occurred.").arg(code);
    }
}

HyperLinkLabel::HyperLinkLabel(const QString& text, Platform& platform, QWidget* parent)
    : QLabel(text, parent), platform_(platform) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMouseTracking(true);
    timers_ = platform_.makeTimers([this](int) { OnHoverTimer(); });
    linkTarget_ = text;
    normalFont_ = font();
    underlinedFont_ = normalFont_;
    underlinedFont_.setUnderline(true);
    setCursor(Qt::PointingHandCursor);
    setToolTip(linkTarget_);
}

HyperLinkLabel::~HyperLinkLabel() {
    timers_->KillTimer(ID_HOVER_TIMER);
}

void HyperLinkLabel::SetLinkTarget(const QString& target) {
    linkTarget_ = target;
    FitToText();
    setToolTip(target);
}

void HyperLinkLabel::SetUnderlineMode(int mode) {
    if (mode == underlineMode_) return;
    setFont(mode == UnderlineAlways ? underlinedFont_ : normalFont_);
    update();
    underlineMode_ = mode;
}

// The classic colours are dark and vanish on a dark window; there the label takes their
// light counterparts.
QColor HyperLinkLabel::TextColour() const {
    if (palette().color(QPalette::Window).lightness() < 128) {
        if (hovering_) return kDarkHoverColour;
        return visited_ ? kDarkVisitedColour : kDarkLinkColour;
    }
    if (hovering_) return kHoverColour;
    return visited_ ? kVisitedColour : kLinkColour;
}

void HyperLinkLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setFont(font());
    painter.setPen(TextColour());
    // A link is one line: the label is sized to it and never wraps it.
    painter.drawText(contentsRect(), int(alignment()) | Qt::TextSingleLine, text());
}

void HyperLinkLabel::mouseMoveEvent(QMouseEvent* event) {
    if (!hovering_) {
        hovering_ = true;
        if (underlineMode_ == UnderlineOnHover) setFont(underlinedFont_);
        update();
        timers_->SetTimer(ID_HOVER_TIMER, HOVER_TIMER_PERIOD_MS);
    }
    QLabel::mouseMoveEvent(event);
}

// The label asks for no leave notice; the timer notices that the pointer has gone.
void HyperLinkLabel::OnHoverTimer() {
    if (rect().contains(mapFromGlobal(QCursor::pos()))) return;
    hovering_ = false;
    timers_->KillTimer(ID_HOVER_TIMER);
    if (underlineMode_ != UnderlineAlways) setFont(normalFont_);
    update();
}

void HyperLinkLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second click of a double click is no click of its own: one open is enough.
    secondClick_ = true;
    QLabel::mouseDoubleClickEvent(event);
}

void HyperLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) return;
    const bool secondClick = std::exchange(secondClick_, false);
    if (!secondClick && rect().contains(event->position().toPoint())) Click();
}

void HyperLinkLabel::Click() {
    hovering_ = false;
    const int result = OpenTarget();
    visited_ = result > 32;
    update();
    if (visited_) return;
    platform_.messages->Beep();
    platform_.messages->Show(window(), "Unable to open hyperlink:\n\n" + OpenFailureReason(result),
                             QCoreApplication::applicationName(), MB_OK | MB_ICONEXCLAMATION);
}

// The desktop's opener first; when it refuses, the web browser's own command with the
// target as one argument of its own.
int HyperLinkLabel::OpenTarget() {
    const int opened = platform_.launcher->Open(linkTarget_);
    if (opened > 32) return opened;
    const std::optional<QString> browser = platform_.launcher->BrowserCommand();
    if (!browser) return opened;
    QStringList arguments = QProcess::splitCommand(CutAtPlaceholder(*browser));
    if (arguments.isEmpty()) return opened;
    const QString program = arguments.takeFirst();
    arguments << linkTarget_;
    return platform_.launcher->Start(program, arguments);
}

// Shrinks or grows the label to its text, keeping the edge or centre its alignment names.
void HyperLinkLabel::FitToText() {
    if (!fitToText_) return;
    const QRect frame = geometry();
    const QRect inner = contentsRect();
    // Whole pixels rounded up: text drawn at fractional widths must never be cut.
    const QFontMetricsF metrics(underlinedFont_);
    const int wantedWidth =
        static_cast<int>(std::ceil(metrics.horizontalAdvance(text()))) + width() - inner.width();
    const int wantedHeight =
        static_cast<int>(std::ceil(metrics.height())) + height() - inner.height();
    int left = frame.x();
    int top = frame.y();
    int right = left + frame.width();
    int bottom = top + frame.height();
    if (alignment() & Qt::AlignVCenter) {
        const int shrink = (frame.height() - wantedHeight) / 2;
        top += shrink;
        bottom -= shrink;
    } else {
        bottom = top + wantedHeight;
    }
    if (alignment() & Qt::AlignHCenter) {
        const int shrink = (frame.width() - wantedWidth) / 2;
        left += shrink;
        right -= shrink;
    } else if (alignment() & Qt::AlignRight) {
        left = right - wantedWidth;
    } else {
        right = left + wantedWidth;
    }
    setGeometry(left, top, right - left, bottom - top);
}
