#include "resources/dialog_template.h"
#include "resources/product_site.h"
#include "resources/resource_ids.h"

namespace {

using K = ControlKind;
using M = MemberClass;

constexpr TemplateControl kAboutControls[] = {
    {IDC_STATIC, K::Icon, M::Plain, "103", {12, 18, 20, 20}},
    {IDC_STATIC, K::Label, M::Plain, "Tarvelo Version 3.3.3.1", {48, 10, 157, 8}},
    {IDC_STATIC, K::Label, M::Plain, "Copyright (C) 2026 Quenmark Studio", {48, 25, 157, 8}},
    {IDC_SITE_LINK, K::Label, M::HyperLinkLabel, kProductSite, {48, 42, 151, 8}},
    {IDC_SUPPORT_LINK, K::Label, M::HyperLinkLabel, "Support Email: Click here", {48, 58, 156, 8}},
    {IDOK_COMMAND, K::DefaultPushButton, M::Plain, "OK", {78, 81, 50, 14}},
};

}  // namespace

const DialogTemplate& AboutDialogTemplate() {
    static const DialogTemplate dialog{IDD_ABOUTBOX, "About Tarvelo", {212, 102}, kAboutControls};
    return dialog;
}
