#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <memory>

// PulseAudio's loopback module carrying the microphone into an output inside the server,
// where a client's pair of streams needs several milliseconds more to play without breaks.
// A module stays loaded when the client that loaded it goes, so a small guard process
// (tarvelo-loopback-guard) loads it and unloads it once its input closes: when this object
// goes, or when the program ends in any way, killed included.
class GuardedLoopback {
  public:
    // Nothing where the guard cannot be started.
    static std::unique_ptr<GuardedLoopback> Start(const QByteArray& moduleArguments);
    // Waits up to a second for the guard to have unloaded the module.
    ~GuardedLoopback();
    GuardedLoopback(const GuardedLoopback&) = delete;
    GuardedLoopback& operator=(const GuardedLoopback&) = delete;

    // Becomes readable (at its end) once the guard has ended: the module failed to load, was
    // taken down with the server, or the guard was killed.
    int endedFd() const { return fromGuard_; }

  private:
    GuardedLoopback(pid_t guard, int toGuard, int fromGuard)
        : guard_(guard), toGuard_(toGuard), fromGuard_(fromGuard) {}

    pid_t guard_;
    int toGuard_;
    int fromGuard_;
};
