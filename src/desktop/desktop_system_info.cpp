#include <QFileInfo>
#include <QStandardPaths>

#include "services/system_info.h"

namespace {

class DesktopSystemInfo final : public SystemInfo {
  public:
    // Every Linux desktop counts as a modern system, so the music folder is the default.
    std::optional<OsVersion> QueryVersion() override { return OsVersion{10, 0}; }

    std::optional<QString> MusicFolder() override {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
        // The folder must be there now; the query never creates it.
        if (folder.isEmpty() || !QFileInfo(folder).isDir()) return std::nullopt;
        return folder;
    }
};

}  // namespace

std::unique_ptr<SystemInfo> MakeDesktopSystemInfo() {
    return std::make_unique<DesktopSystemInfo>();
}
