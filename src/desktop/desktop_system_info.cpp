#include <QDir>
#include <QStandardPaths>

#include "services/system_info.h"

namespace {

class DesktopSystemInfo final : public SystemInfo {
  public:
    // Every Linux desktop counts as a modern system, so the music folder is the default.
    std::optional<OsVersion> QueryVersion() override { return OsVersion{10, 0}; }

    std::optional<QString> MusicFolder() override {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
        // Many Linux homes have none yet; it is made as the desktop's own folder service
        // makes it.
        if (folder.isEmpty() || !QDir().mkpath(folder)) return std::nullopt;
        return folder;
    }
};

}  // namespace

std::unique_ptr<SystemInfo> MakeDesktopSystemInfo() {
    return std::make_unique<DesktopSystemInfo>();
}
