#include "platform/platform.h"

#include "capture/capture_system.h"

std::unique_ptr<Platform> MakeDesktopPlatform(const QString& company, const QString& application) {
    auto platform = std::make_unique<Platform>();
    platform->settings = MakeIniSettingsFile(company, application);
    platform->messages = MakeQtMessageBoxes();
    platform->fileDialogs = MakeQtFileDialogs();
    platform->system = MakeDesktopSystemInfo();
    platform->makeTimers = MakeQtWindowTimers;
    platform->soundServer = std::make_unique<SoundServer>(application);
    platform->capture = MakeCaptureSystem(*platform->soundServer);
    platform->mixer = MakePulseMixer(*platform->soundServer);
    platform->launcher = MakeDesktopLauncher();
    platform->clock = MakeSystemClock();
    platform->mediaGraphs = MakeGstMediaGraphs();
    platform->menus = MakeQtPopupMenus();
    return platform;
}
