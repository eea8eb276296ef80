#pragma once

#include <QEventLoop>
#include <functional>

// Runs the event loop until done() holds or timeoutMs passes; answers done(). done() is
// looked at every few milliseconds, so it may be any condition, not only a signal's.
bool RunEventLoopUntil(const std::function<bool()>& done, int timeoutMs,
                       QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);

// Runs the event loop for ms milliseconds.
void RunEventLoopFor(int ms);
