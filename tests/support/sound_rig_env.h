#pragma once

#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <functional>

#include <gtest/gtest.h>

// Integration tests run against the private sound server that scripts/test starts.
inline bool HasSoundRig() {
    return std::getenv("PULSE_SERVER") != nullptr;
}

#define REQUIRE_SOUND_RIG() \
    if (!HasSoundRig()) GTEST_SKIP() << "needs the private sound server of scripts/test"

// Runs the event loop until done() holds or timeoutMs passes; answers done().
inline bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}
