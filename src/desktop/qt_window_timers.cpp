#include <QTimer>
#include <map>

#include "services/window_timers.h"

namespace {

class QtWindowTimers final : public WindowTimers {
  public:
    explicit QtWindowTimers(Tick tick) : tick_(std::move(tick)) {}

    void SetTimer(int timerId, int periodMs) override {
        auto& timer = timers_[timerId];
        if (!timer) {
            timer = std::make_unique<QTimer>();
            QObject::connect(timer.get(), &QTimer::timeout, [this, timerId] { tick_(timerId); });
        }
        timer->start(periodMs);
    }

    void KillTimer(int timerId) override { timers_.erase(timerId); }

    bool IsRunning(int timerId) const override {
        const auto found = timers_.find(timerId);
        return found != timers_.end() && found->second->isActive();
    }

  private:
    Tick tick_;
    std::map<int, std::unique_ptr<QTimer>> timers_;
};

}  // namespace

std::unique_ptr<WindowTimers> MakeQtWindowTimers(WindowTimers::Tick tick) {
    return std::make_unique<QtWindowTimers>(std::move(tick));
}
