#include "dialogs/input_hint_dialog.h"

#include <QCheckBox>
#include <QPushButton>

#include "controls/dialog_builder.h"
#include "core/settings_store.h"
#include "resources/resource_ids.h"

InputHintDialog::InputHintDialog(Platform& platform, SettingsStore& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    const auto controls = BuildControls(*this, InputHintDialogTemplate(), platform);
    onlyOnceBox_ = qobject_cast<QCheckBox*>(controls.at(IDC_ONLY_ONCE));
    // The box opens ticked, whatever is stored; OK stores what it shows then.
    onlyOnceBox_->setChecked(onlyOnce_);
    connect(qobject_cast<QPushButton*>(controls.at(IDOK_COMMAND)), &QPushButton::clicked, this,
            &InputHintDialog::accept);
}

void InputHintDialog::accept() {
    onlyOnce_ = onlyOnceBox_->isChecked();
    settings_.WriteInt(kOptionSection, kOnlyOnceValue, onlyOnce_ ? 1 : 0);
    QDialog::accept();
}
