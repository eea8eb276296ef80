#include "app/main_dialog.h"
#include "dialogs/about_dialog.h"
#include "dialogs/input_hint_dialog.h"

void MainDialog::ShowAboutBox() {
    AboutDialog dialog(platform_, this);
    dialog.exec();
}

// Shown at a change of input or capture device until the user asks for it no more.
void MainDialog::ShowInputDeviceHint() {
    if (hintSuppressed_) return;
    InputHintDialog dialog(platform_, settings_, this);
    if (dialog.exec() == QDialog::Accepted) hintSuppressed_ = dialog.onlyOnce();
}
