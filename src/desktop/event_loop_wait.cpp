#include "desktop/event_loop_wait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

namespace {

constexpr int kPollMs = 5;

}  // namespace

bool RunEventLoopUntil(const std::function<bool()>& done, int timeoutMs,
                       QEventLoop::ProcessEventsFlags flags) {
    const QDeadlineTimer deadline(timeoutMs);
    // done() is looked at after every event, and every few milliseconds for conditions
    // that no event announces.
    QTimer poll;
    poll.start(kPollMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(flags | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void RunEventLoopFor(int ms) {
    RunEventLoopUntil([] { return false; }, ms);
}
