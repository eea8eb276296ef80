#include "platform/window_messages.h"

#include <QCoreApplication>

namespace {

QEvent::Type RegisteredType(int hint) {
    return static_cast<QEvent::Type>(QEvent::registerEventType(hint));
}

}  // namespace

QEvent::Type EventTypeOf(int message) {
    if (message >= QEvent::User && message <= QEvent::MaxUser)
        return static_cast<QEvent::Type>(message);
    // The mixer's id lies below Qt's user range; it gets one type for the whole process.
    static const QEvent::Type mixerChange = RegisteredType(QEvent::MaxUser - 1);
    Q_ASSERT(message == MM_MIXM_CONTROL_CHANGE);
    return mixerChange;
}

PostedMessage::PostedMessage(int message, std::uintptr_t wParam, std::intptr_t lParam)
    : QEvent(EventTypeOf(message)), message_(message), wParam_(wParam), lParam_(lParam) {}

QEvent::Type PostedCommand::Type() {
    static const QEvent::Type type = RegisteredType(QEvent::MaxUser - 2);
    return type;
}

PostedCommand::PostedCommand(int commandId, std::intptr_t lParam)
    : QEvent(Type()), commandId_(commandId), lParam_(lParam) {}

void PostWindowMessage(QObject* target, int message, std::uintptr_t wParam, std::intptr_t lParam) {
    QCoreApplication::postEvent(target, new PostedMessage(message, wParam, lParam));
}

void PostCommand(QObject* target, int commandId, std::intptr_t lParam) {
    QCoreApplication::postEvent(target, new PostedCommand(commandId, lParam));
}
