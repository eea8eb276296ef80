#include "dialogs/about_dialog.h"

#include <QPushButton>

#include "controls/dialog_builder.h"
#include "controls/hyperlink_label.h"
#include "resources/artwork.h"
#include "resources/product_site.h"
#include "resources/resource_ids.h"

AboutDialog::AboutDialog(Platform& platform, QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    controls_ = BuildControls(*this, AboutDialogTemplate(), platform);
    setWindowIcon(LoadResourceIcon(IDR_MAINFRAME));
    connect(qobject_cast<QPushButton*>(controls_.at(IDOK_COMMAND)), &QPushButton::clicked, this,
            &QDialog::accept);

    // The support line leads to the contact page, not to a mail program.
    SiteLink()->SetLinkTarget(kProductSite);
    SiteLink()->SetUnderlineMode(HyperLinkLabel::UnderlineAlways);
    SupportLink()->SetLinkTarget(QString(kProductSite) + kContactPagePath);
    SupportLink()->SetUnderlineMode(HyperLinkLabel::UnderlineAlways);
}

HyperLinkLabel* AboutDialog::SiteLink() const {
    return qobject_cast<HyperLinkLabel*>(controls_.at(IDC_SITE_LINK));
}

HyperLinkLabel* AboutDialog::SupportLink() const {
    return qobject_cast<HyperLinkLabel*>(controls_.at(IDC_SUPPORT_LINK));
}
