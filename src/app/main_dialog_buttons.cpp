#include "app/main_dialog.h"
#include "controls/flat_button.h"
#include "resources/resource_ids.h"

namespace {

struct ButtonLook {
    int id;
    int iconId;  // 0 for a text button
    const char* tip;
};

constexpr ButtonLook kIconButtons[] = {
    {IDC_OPEN, IDI_OPEN, "Open an media file"},
    {IDC_START, IDI_START, "Start playing and recording"},
    {IDC_STOP, IDI_STOP, "Stop playing and recording"},
};

constexpr ButtonLook kTextButtons[] = {
    {IDC_BROWSE, 0, "Browse"},     {IDC_PLAY, 0, "Play the wave file"},
    {IDC_HOMEPAGE, 0, "Homepage"}, {IDC_ABOUT, 0, "About"},
    {IDC_HELP, 0, "Help"},
};

}  // namespace

void MainDialog::SetUpButtons() {
    for (const ButtonLook& look : kIconButtons) {
        auto* button = qobject_cast<FlatButton*>(controls_.Control(look.id));
        button->SetButtonIcon(look.iconId);
        button->SetParentBackground(false);
        button->SetHoverCursor(IDC_HAND_CURSOR, true);
        button->SetTipText(look.tip, true);
        button->SetImageLayout(FlatButton::ImageLeft, true);
        button->SetFlatLook(false, true);
    }
    for (const ButtonLook& look : kTextButtons) {
        auto* button = qobject_cast<FlatButton*>(controls_.Control(look.id));
        button->SetParentBackground(false);
        button->SetHoverCursor(IDC_HAND_CURSOR, true);
        button->SetTipText(look.tip, true);
        button->SetImageLayout(FlatButton::ImageAbove, true);
    }
}
