#include "pulse/realtime_thread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>

#include <algorithm>

namespace {

// The sound servers run theirs at 5 (PulseAudio) and above.
constexpr rlim_t kPriority = 4;

}  // namespace

bool RaiseToRealtime() {
    rlimit limit{};
    rlim_t priority = kPriority;
    // Without privileges the user's limit caps the priority; where it is 0, trying costs
    // nothing and fails.
    if (getrlimit(RLIMIT_RTPRIO, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        limit.rlim_cur > 0)
        priority = std::min(priority, limit.rlim_cur);
    sched_param parameters{};
    parameters.sched_priority = static_cast<int>(priority);
    return pthread_setschedparam(pthread_self(), SCHED_RR | SCHED_RESET_ON_FORK, &parameters) == 0;
}
