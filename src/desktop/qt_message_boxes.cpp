#include <QApplication>
#include <QMessageBox>

#include "services/message_boxes.h"

namespace {

QMessageBox::Icon IconOf(unsigned style) {
    switch (style & MB_ICONMASK) {
        case MB_ICONHAND:
            return QMessageBox::Critical;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        case MB_ICONEXCLAMATION:
            return QMessageBox::Warning;
        case MB_ICONASTERISK:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// A text with line breaks is shown in exactly those lines: the box's word wrap would break
// its longer lines again at a width of its own choosing.
void SetText(QMessageBox& box, QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (!text.contains('\n')) {
        box.setText(text);
        return;
    }
    box.setTextFormat(Qt::RichText);
    box.setText(QStringLiteral("<p style=\"white-space:pre\">") + text.toHtmlEscaped() +
                QStringLiteral("</p>"));
}

class QtMessageBoxes final : public MessageBoxes {
  public:
    int Show(QWidget* owner, const QString& text, const QString& caption, unsigned style) override {
        QMessageBox box(IconOf(style), caption, QString(), QMessageBox::NoButton, owner);
        SetText(box, text);
        switch (style & MB_TYPEMASK) {
            case MB_YESNO:
                box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
                box.setDefaultButton(QMessageBox::Yes);
                break;
            case MB_OKCANCEL:
                box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
                box.setDefaultButton(QMessageBox::Ok);
                break;
            default:
                box.setStandardButtons(QMessageBox::Ok);
                break;
        }
        switch (box.exec()) {
            case QMessageBox::Yes:
                return IDYES;
            case QMessageBox::No:
                return IDNO;
            case QMessageBox::Cancel:
                return IDCANCEL;
            // Closing a one-button box by Esc or the close box answers its only button.
            default:
                return (style & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
        }
    }

    void Beep() override { QApplication::beep(); }
};

}  // namespace

std::unique_ptr<MessageBoxes> MakeQtMessageBoxes() {
    return std::make_unique<QtMessageBoxes>();
}
