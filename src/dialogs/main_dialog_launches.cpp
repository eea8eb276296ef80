#include <QCoreApplication>
#include <QLineEdit>

#include "app/main_dialog.h"
#include "app/settings_store.h"
#include "desktop/file_exists.h"
#include "dialogs/update_interval.h"
#include "platform/platform.h"
#include "resources/product_site.h"
#include "resources/resource_ids.h"
#include "services/launcher.h"
#include "services/message_boxes.h"

void MainDialog::OpenHomePage() {
    platform_.launcher->Open(QString(kProductSite) + kHomePagePath);
}

// The help pages ship with the program and open in the web browser.
void MainDialog::ShowHelp() {
    platform_.launcher->Open(QCoreApplication::applicationDirPath() + '/' +
                             TARVELO_HELP_DIR_FROM_PROGRAM + "/Introduction.htm");
}

// Hands the file the output box names right now to the program the desktop plays it with.
void MainDialog::PlayRecording() {
    const QString path = Edit(IDC_OUTPUT_PATH)->text();
    if (!FileExists(path)) {
        platform_.messages->Show(nullptr, path + " does not exist!", "Error", MB_OK);
        return;
    }
    platform_.launcher->Open(path);
}

// At most once in 180 days, at an exit, offers to look for a newer version.
void MainDialog::PromptForUpdate(const QString& productPageUrl) {
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
