#include "controls/dialog_builder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "controls/dialog_units.h"
#include "controls/flat_button.h"
#include "controls/hyperlink_label.h"
#include "controls/painted_label.h"
#include "controls/release_slider.h"
#include "resources/artwork.h"

namespace {

QWidget* CreateButton(const TemplateControl& control, const QString& text, QWidget* parent) {
    if (control.memberClass == MemberClass::FlatButton) return new FlatButton(text, parent);
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    button->setDefault(control.kind == ControlKind::DefaultPushButton);
    return button;
}

QWidget* CreateLabel(const TemplateControl& control, const QString& text, QWidget* parent,
                     Platform& platform) {
    switch (control.memberClass) {
        case MemberClass::PaintedLabel:
            return new PaintedLabel(text, parent);
        case MemberClass::HyperLinkLabel:
            return new HyperLinkLabel(text, platform, parent);
        default:
            break;
    }
    // A static text wraps at word boundaries and starts at its top.
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QWidget* CreateIcon(const TemplateControl& control, QWidget* parent) {
    auto* picture = new QLabel(parent);
    picture->setPixmap(
        LoadResourceBitmap(QByteArray(control.text).toInt(), parent->devicePixelRatio()));
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return picture;
}

QWidget* CreateControl(const TemplateControl& control, QWidget* parent, Platform& platform) {
    const QString text = QString::fromUtf8(control.text);
    switch (control.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton:
            return CreateButton(control, text, parent);
        case ControlKind::Slider:
            return new ReleaseSlider(parent);
        case ControlKind::Label:
            return CreateLabel(control, text, parent, platform);
        case ControlKind::Icon:
            return CreateIcon(control, parent);
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

std::map<int, QWidget*> BuildControls(QDialog& dialog, const DialogTemplate& dialogTemplate,
                                      Platform& platform) {
    const DialogUnits units(dialog.font());
    std::map<int, QWidget*> controls;
    for (const TemplateControl& control : dialogTemplate.controls) {
        QWidget* widget = CreateControl(control, &dialog, platform);
        widget->setObjectName(QStringLiteral("control%1").arg(control.id));
        QRect rect = units.ToPixels(control.rect);
        // A drop-down list's template height is that of its open list.
        if (control.kind == ControlKind::DropDownList) rect.setHeight(widget->sizeHint().height());
        // An icon picture takes the size of its icon.
        if (control.kind == ControlKind::Icon) rect.setSize(widget->sizeHint());
        widget->setGeometry(rect);
        if (auto* link = qobject_cast<HyperLinkLabel*>(widget)) link->FitToText();
        controls[control.id] = widget;
    }
    dialog.setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
    dialog.setFixedSize(units.ToPixelsX(dialogTemplate.size.width()),
                        units.ToPixelsY(dialogTemplate.size.height()));
    return controls;
}
