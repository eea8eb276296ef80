#include "pulse/guarded_loopback.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <string>
#include <thread>

extern char** environ;

namespace {

constexpr int kUnloadWaitMs = 1000;

// Where an installation puts the guard, beside the program however the installation moved.
std::string InstalledBeside() {
    std::array<char, 4096> self{};
    const ssize_t length = readlink("/proc/self/exe", self.data(), self.size() - 1);
    if (length <= 0) return {};
    const std::string program(self.data(), static_cast<size_t>(length));
    return program.substr(0, program.rfind('/')) + "/../libexec/tarvelo-loopback-guard";
}

// The guard built with the program, else an installed one.
std::string GuardProgram() {
    for (const std::string& path : {std::string(TARVELO_LOOPBACK_GUARD_BUILT), InstalledBeside(),
                                    std::string(TARVELO_LOOPBACK_GUARD_INSTALLED)})
        if (!path.empty() && access(path.c_str(), X_OK) == 0) return path;
    return {};
}

// Both ends close on exec, so that no other child keeps the guard's input open.
bool Pipe(std::array<int, 2>& ends) {
    return pipe2(ends.data(), O_CLOEXEC) == 0;
}

void Close(const std::array<int, 2>& ends) {
    for (const int fd : ends)
        if (fd >= 0) close(fd);
}

}  // namespace

std::unique_ptr<GuardedLoopback> GuardedLoopback::Start(const QByteArray& moduleArguments) {
    const std::string program = GuardProgram();
    std::array<int, 2> toGuard{-1, -1};
    std::array<int, 2> fromGuard{-1, -1};
    if (program.empty() || !Pipe(toGuard) || !Pipe(fromGuard)) {
        Close(toGuard);
        return nullptr;
    }
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_adddup2(&files, toGuard[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&files, fromGuard[1], STDOUT_FILENO);
    // A session of its own: a terminal's interrupt, meant for the program, must not take
    // the guard before the program has let it go. The thread starting it may block
    // signals the guard needs.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK);
    pid_t guard = 0;
    char* arguments[] = {const_cast<char*>(program.c_str()),
                         const_cast<char*>(moduleArguments.constData()), nullptr};
    const int failed =
        posix_spawn(&guard, program.c_str(), &files, &attributes, arguments, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);
    close(toGuard[0]);
    close(fromGuard[1]);
    if (failed) {
        close(toGuard[1]);
        close(fromGuard[0]);
        return nullptr;
    }
    return std::unique_ptr<GuardedLoopback>(new GuardedLoopback(guard, toGuard[1], fromGuard[0]));
}

GuardedLoopback::~GuardedLoopback() {
    close(toGuard_);
    pollfd ended{fromGuard_, POLLIN, 0};
    while (poll(&ended, 1, kUnloadWaitMs) < 0 && errno == EINTR) {
    }
    close(fromGuard_);
    if (waitpid(guard_, nullptr, WNOHANG) != 0) return;
    // Still unloading: it is reaped whenever it ends.
    std::thread([guard = guard_] { waitpid(guard, nullptr, 0); }).detach();
}
