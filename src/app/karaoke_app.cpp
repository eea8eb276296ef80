#include "app/karaoke_app.h"

#include <QFileInfo>

#include "app/main_dialog.h"
#include "core/settings_store.h"
#include "desktop/termination_signals.h"
#include "platform/platform.h"

QString KaraokeApp::ApplicationNameOf(const QString& executablePath) {
    return QFileInfo(executablePath).completeBaseName();
}

int KaraokeApp::InitInstance(Platform& platform) {
    SettingsStore settings(*platform.settings);
    {
        MainDialog dialog(platform, settings);
        // Logout, kill and Ctrl+C end the program as its close box does: the recording is
        // finished and the user's microphone and ports are given back.
        const TerminationSignals termination([&dialog] { dialog.CloseOnRequest(); });
        dialog.DoModal();
    }
    return 0;
}
