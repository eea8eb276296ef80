#include "desktop/event_loop_wait.h"

#include <QTimer>

namespace {

constexpr int kPollMs = 5;

}  // namespace

bool RunEventLoopUntil(const std::function<bool()>& done, int timeoutMs,
                       QEventLoop::ProcessEventsFlags flags) {
    if (done()) return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start(kPollMs);
    deadline.start(timeoutMs);
    loop.exec(flags);
    return done();
}

void RunEventLoopFor(int ms) {
    RunEventLoopUntil([] { return false; }, ms);
}
