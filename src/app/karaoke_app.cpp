#include "app/karaoke_app.h"

#include <QFileInfo>

#include "app/main_dialog.h"
#include "core/settings_store.h"
#include "platform/platform.h"

QString KaraokeApp::ApplicationNameOf(const QString& executablePath) {
    return QFileInfo(executablePath).completeBaseName();
}

int KaraokeApp::InitInstance(Platform& platform) {
    SettingsStore settings(*platform.settings);
    {
        MainDialog dialog(platform, settings);
        dialog.DoModal();
    }
    return 0;
}
