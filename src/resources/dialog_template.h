#pragma once

#include <QRect>
#include <QString>
#include <span>

// What a template row creates. The member class says which of the program's own control
// classes takes the control over; plain controls keep the toolkit's look. An icon row's
// text is the number of its icon resource.
enum class ControlKind {
    PushButton,
    DefaultPushButton,
    Slider,
    Label,
    DropDownList,
    Edit,
    SunkenStatic,
    CheckBox,
    Icon
};
enum class MemberClass { Plain, FlatButton, PaintedLabel, HyperLinkLabel };

struct TemplateControl {
    int id;
    ControlKind kind;
    MemberClass memberClass;
    const char* text;
    QRect rect;  // dialog units: x, y, width, height
};

struct DialogTemplate {
    int id;
    const char* caption;
    QSize size;  // dialog units
    std::span<const TemplateControl> controls;
};

const DialogTemplate& MainDialogTemplate();
const DialogTemplate& AboutDialogTemplate();
const DialogTemplate& InputHintDialogTemplate();
