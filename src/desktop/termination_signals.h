#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

// SIGTERM, SIGINT and SIGHUP (logout, kill, Ctrl+C, a closed terminal) reach the program
// as a call on the UI thread, so that it can end as its close box ends it. The handler
// only writes to a socket that the UI thread watches. A second signal ends the program at
// once, as without this object.
class TerminationSignals {
  public:
    explicit TerminationSignals(std::function<void()> onSignal);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

  private:
    struct State;
    std::function<void()> onSignal_;
    std::unique_ptr<State> state_;
    std::unique_ptr<QSocketNotifier> notifier_;
};
