#include <QDateTime>

#include "services/clock.h"

namespace {

class SystemClock final : public Clock {
  public:
    std::int64_t Now() override { return QDateTime::currentSecsSinceEpoch(); }
};

}  // namespace

std::unique_ptr<Clock> MakeSystemClock() {
    return std::make_unique<SystemClock>();
}
