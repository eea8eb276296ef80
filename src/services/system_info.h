#pragma once

#include <QString>
#include <memory>
#include <optional>

struct OsVersion {
    int major = 0;
    int minor = 0;
};

// Questions about the system the program runs on.
class SystemInfo {
  public:
    virtual ~SystemInfo() = default;
    virtual std::optional<OsVersion> QueryVersion() = 0;
    // The user's music folder without a trailing separator; nothing when it cannot be found.
    virtual std::optional<QString> MusicFolder() = 0;
};

std::unique_ptr<SystemInfo> MakeDesktopSystemInfo();
