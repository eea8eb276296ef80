#include "controls/dialog_builder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "controls/dialog_units.h"
#include "controls/release_slider.h"

namespace {

QWidget* CreateControl(const TemplateControl& control, QWidget* parent) {
    const QString text = QString::fromUtf8(control.text);
    switch (control.kind) {
        case ControlKind::PushButton: {
            auto* button = new QPushButton(text, parent);
            button->setAutoDefault(false);
            return button;
        }
        case ControlKind::Slider:
            return new ReleaseSlider(parent);
        case ControlKind::Label:
            return new QLabel(text, parent);
        case ControlKind::DropDownList:
            return new QComboBox(parent);
        case ControlKind::Edit:
            return new QLineEdit(text, parent);
        case ControlKind::CheckBox:
            return new QCheckBox(text, parent);
        case ControlKind::SunkenStatic: {
            auto* label = new QLabel(text, parent);
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            label->setAutoFillBackground(true);
            return label;
        }
    }
    return nullptr;
}

}  // namespace

std::map<int, QWidget*> BuildControls(QDialog& dialog, const DialogTemplate& dialogTemplate) {
    const DialogUnits units(dialog.font());
    std::map<int, QWidget*> controls;
    for (const TemplateControl& control : dialogTemplate.controls) {
        QWidget* widget = CreateControl(control, &dialog);
        widget->setObjectName(QStringLiteral("control%1").arg(control.id));
        QRect rect = units.ToPixels(control.rect);
        // A drop-down list's template height is that of its open list.
        if (control.kind == ControlKind::DropDownList) rect.setHeight(widget->sizeHint().height());
        widget->setGeometry(rect);
        controls[control.id] = widget;
    }
    dialog.setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
    dialog.setFixedSize(units.ToPixelsX(dialogTemplate.size.width()),
                        units.ToPixelsY(dialogTemplate.size.height()));
    return controls;
}
