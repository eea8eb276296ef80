#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

namespace {

using K = ControlKind;
using M = MemberClass;

constexpr TemplateControl kMainControls[] = {
    {IDC_OPEN, K::PushButton, M::FlatButton, "Open", {7, 7, 72, 26}},
    {IDC_START, K::PushButton, M::FlatButton, "Start", {99, 7, 72, 26}},
    {IDC_STOP, K::PushButton, M::FlatButton, "Stop", {191, 6, 72, 26}},
    {IDC_SEEK_BAR, K::Slider, M::Plain, "", {7, 39, 256, 15}},
    {IDC_MEDIA_VOLUME_LABEL, K::Label, M::PaintedLabel, "Media volume:", {7, 58, 70, 8}},
    {IDC_MEDIA_VOLUME, K::Slider, M::Plain, "", {78, 56, 162, 15}},
    {IDC_MEDIA_VOLUME_MAX, K::Label, M::PaintedLabel, "Max", {247, 58, 16, 8}},
    {IDC_MICROPHONE_VOLUME_LABEL, K::Label, M::PaintedLabel, "Microphone volume:", {7, 78, 70, 8}},
    {IDC_MICROPHONE_VOLUME, K::Slider, M::Plain, "", {78, 76, 162, 15}},
    {IDC_MICROPHONE_VOLUME_MAX, K::Label, M::PaintedLabel, "Max", {247, 78, 16, 8}},
    {IDC_RECORDING_VOLUME_LABEL, K::Label, M::PaintedLabel, "Recording volume:", {7, 99, 68, 8}},
    {IDC_RECORDING_VOLUME, K::Slider, M::Plain, "", {78, 96, 162, 15}},
    {IDC_RECORDING_VOLUME_MAX, K::Label, M::PaintedLabel, "Max", {247, 99, 16, 8}},
    {IDC_INPUT_LIST, K::DropDownList, M::Plain, "", {8, 112, 120, 97}},
    {IDC_DEVICE_LIST, K::DropDownList, M::Plain, "", {141, 112, 120, 49}},
    {IDC_OUTPUT_LABEL, K::Label, M::PaintedLabel, "Output:", {7, 129, 28, 8}},
    {IDC_OUTPUT_PATH, K::Edit, M::Plain, "", {36, 127, 149, 14}},
    {IDC_BROWSE, K::PushButton, M::FlatButton, "Browse", {191, 127, 32, 14}},
    {IDC_PLAY, K::PushButton, M::FlatButton, "Play", {229, 127, 32, 14}},
    {IDC_CLOSE_MEDIA, K::PushButton, M::Plain, "Close", {251, 122, 8, 14}},
    {IDC_HOMEPAGE, K::PushButton, M::FlatButton, "Homepage", {76, 146, 48, 14}},
    {IDC_ABOUT, K::PushButton, M::FlatButton, "About", {144, 146, 48, 14}},
    {IDC_HELP, K::PushButton, M::FlatButton, "Help", {213, 146, 48, 14}},
    {IDC_STATUS, K::SunkenStatic, M::Plain, "Status : Ready", {7, 166, 254, 10}},
    {IDC_DEVICE_LABEL, K::Label, M::PaintedLabel, "", {266, 38, 8, 10}},
    {IDC_SPARE_LABEL, K::Label, M::PaintedLabel, "", {264, 39, 8, 8}},
};

}  // namespace

const DialogTemplate& MainDialogTemplate() {
    static const DialogTemplate dialog{IDD_MAIN, "Tarvelo", {274, 180}, kMainControls};
    return dialog;
}
