#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

namespace {

using K = ControlKind;
using M = MemberClass;

constexpr TemplateControl kInputHintControls[] = {
    {IDC_STATIC,
     K::Label,
     M::Plain,
     "If you want to record sound to wav file, please select an input device with \"Wave Out "
     "Mix\", which might appear as \"Stereo Mixer\", \"What U Hear\", \"Output\", \"Mixer\", "
     "\"Wave\".",
     {7, 7, 223, 28}},
    {IDC_STATIC,
     K::Label,
     M::Plain,
     "(When the program launches at the first time, it will select the item as possible as it "
     "can. If succeed, the list will hide. If not, it will show. please select the item "
     "manually.)",
     {7, 35, 223, 32}},
    {IDC_STATIC, K::Label, M::Plain, "For more details, please read help.", {7, 71, 223, 8}},
    {IDC_ONLY_ONCE,
     K::CheckBox,
     M::Plain,
     "Do not show the message in the future",
     {7, 87, 223, 10}},
    {IDOK_COMMAND, K::DefaultPushButton, M::Plain, "OK", {91, 110, 50, 14}},
};

}  // namespace

const DialogTemplate& InputHintDialogTemplate() {
    static const DialogTemplate dialog{
        IDD_INPUT_HINT, "How to select an input device", {237, 133}, kInputHintControls};
    return dialog;
}
