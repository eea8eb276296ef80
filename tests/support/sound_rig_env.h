#pragma once

#include <cstdlib>

#include <gtest/gtest.h>

// Integration tests run against the private sound server that scripts/test starts.
inline bool HasSoundRig() {
    return std::getenv("PULSE_SERVER") != nullptr;
}

#define REQUIRE_SOUND_RIG() \
    if (!HasSoundRig()) GTEST_SKIP() << "needs the private sound server of scripts/test"
