#include "desktop/termination_signals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

namespace {

constexpr std::array kSignals{SIGTERM, SIGINT, SIGHUP};

// The socket the handler writes into; one watcher at a time.
int signalSocket = -1;

void OnSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(signalSocket, &byte, 1);
    errno = saved;
}

}  // namespace

struct TerminationSignals::State {
    std::array<struct sigaction, kSignals.size()> actions{};
    int sockets[2] = {-1, -1};
};

TerminationSignals::TerminationSignals(std::function<void()> onSignal)
    : onSignal_(std::move(onSignal)), state_(std::make_unique<State>()) {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, state_->sockets) < 0)
        return;
    signalSocket = state_->sockets[0];
    notifier_ = std::make_unique<QSocketNotifier>(state_->sockets[1], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        char byte;
        while (read(state_->sockets[1], &byte, 1) > 0) {
        }
        onSignal_();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // The first signal asks; the handler then falls back to the default, so the next one
    // ends the program whatever it is doing.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        sigaction(kSignals[i], &action, &state_->actions[i]);
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_) return;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        sigaction(kSignals[i], &state_->actions[i], nullptr);
    notifier_.reset();
    signalSocket = -1;
    for (const int socket : state_->sockets) close(socket);
}
