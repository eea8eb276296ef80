#include "platform/platform.h"

std::unique_ptr<Platform> MakeDesktopPlatform(const QString& company, const QString& application) {
    auto platform = std::make_unique<Platform>();
    platform->settings = MakeIniSettingsFile(company, application);
    platform->messages = MakeQtMessageBoxes();
    platform->fileDialogs = MakeQtFileDialogs();
    platform->system = MakeDesktopSystemInfo();
    platform->makeTimers = MakeQtWindowTimers;
    platform->launcher = MakeDesktopLauncher();
    platform->clock = MakeSystemClock();
    platform->mediaGraphs = MakeGstMediaGraphs();
    platform->menus = MakeQtPopupMenus();
    return platform;
}
