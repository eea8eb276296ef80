#pragma once

#include <functional>
#include <memory>

// Periodic timers of one window, known by the program's timer ids.
class WindowTimers {
  public:
    using Tick = std::function<void(int timerId)>;
    virtual ~WindowTimers() = default;
    // Starts the timer, or restarts it with the new period when it runs already.
    virtual void SetTimer(int timerId, int periodMs) = 0;
    virtual void KillTimer(int timerId) = 0;
    virtual bool IsRunning(int timerId) const = 0;
};

using TimerFactory = std::function<std::unique_ptr<WindowTimers>(WindowTimers::Tick)>;

std::unique_ptr<WindowTimers> MakeQtWindowTimers(WindowTimers::Tick tick);
