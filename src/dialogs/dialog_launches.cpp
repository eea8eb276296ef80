#include "dialogs/dialog_launches.h"

#include <QCoreApplication>
#include <QLineEdit>

#include "core/main_controls.h"
#include "core/settings_store.h"
#include "desktop/file_exists.h"
#include "dialogs/about_dialog.h"
#include "dialogs/input_hint_dialog.h"
#include "dialogs/update_interval.h"
#include "platform/platform.h"
#include "resources/product_site.h"
#include "services/launcher.h"
#include "services/message_boxes.h"

DialogLaunches::DialogLaunches(Platform& platform, SettingsStore& settings, QWidget& window,
                               const MainControls& controls)
    : platform_(platform), settings_(settings), window_(window), controls_(controls) {}

void DialogLaunches::ShowAboutBox() {
    AboutDialog dialog(platform_, &window_);
    dialog.exec();
}

void DialogLaunches::ShowInputDeviceHint() {
    if (hintSuppressed_) return;
    InputHintDialog dialog(platform_, settings_, &window_);
    if (dialog.exec() == QDialog::Accepted) hintSuppressed_ = dialog.onlyOnce();
}

void DialogLaunches::LoadInputHintWish() {
    hintSuppressed_ = settings_.ReadInt(kOptionSection, kOnlyOnceValue, 0) != 0;
}

void DialogLaunches::OpenHomePage() {
    platform_.launcher->Open(QString(kProductSite) + kHomePagePath);
}

// The help pages ship with the program and open in the web browser.
void DialogLaunches::ShowHelp() {
    platform_.launcher->Open(QCoreApplication::applicationDirPath() + '/' +
                             TARVELO_HELP_DIR_FROM_PROGRAM + "/Introduction.htm");
}

// Hands the file the output box names right now to the program the desktop plays it with.
void DialogLaunches::PlayRecording() {
    const QString path = controls_.outputPathBox().text();
    if (!FileExists(path)) {
        platform_.messages->Show(nullptr, path + " does not exist!", "Error", MB_OK);
        return;
    }
    platform_.launcher->Open(path);
}

// At most once in 180 days, at an exit, offers to look for a newer version.
void DialogLaunches::PromptForUpdate(const QString& productPageUrl) {
    const std::int64_t now = platform_.clock->Now();
    const std::int64_t stored = WidenStoredTime(
        settings_.ReadInt(kSetupSection, kFirstUpdateValue, StoredTimeOf(now)), now);
    if (stored == now) settings_.WriteInt(kSetupSection, kFirstUpdateValue, StoredTimeOf(now));
    if (stored + kUpdateIntervalSeconds >= now) return;

    const int answer = platform_.messages->Show(
        nullptr, "Do you want to check the lastest version on our website?", "Update the program",
        MB_YESNO);
    if (answer == IDYES && platform_.launcher->Open(productPageUrl) <= 32) {
        platform_.messages->Show(nullptr,
                                 QString("The Program does not launch your web browser to "
                                         "access ") +
                                     kProductSite +
                                     " ,\nPlease launch your web browser and input the URL "
                                     "manually.",
                                 "unknown errors", MB_OK);
    }
    settings_.WriteInt(kSetupSection, kFirstUpdateValue, StoredTimeOf(now));
}
