#pragma once

#include <QEventLoop>
#include <functional>

// Runs the event loop until done() holds or timeoutMs passes; answers whether done() held.
// done() may be any condition: it is looked at after every event and every few ms.
bool RunEventLoopUntil(const std::function<bool()>& done, int timeoutMs,
                       QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);

// Runs the event loop for ms milliseconds.
void RunEventLoopFor(int ms);
