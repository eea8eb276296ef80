#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "controls/flat_button.h"
#include "controls/hyperlink_label.h"
#include "controls/painted_label.h"
#include "dialogs/about_dialog.h"
#include "dialogs/input_hint_dialog.h"
#include "resources/resource_ids.h"
#include "support/main_dialog_fixture.h"
#include "support/ui_helpers.h"

namespace {

struct Window {
    MainDialogFixture window;
    FakePlatform& fake = window.fake;
    MainDialog& dialog = window.StartAndForget();
};

void PressEscape(QDialog* dialog) {
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(dialog, &escape);
}

// Answers the hint: the box ticked or not, then OK.
void AnswerHint(bool ticked) {
    WhenModal([ticked](QDialog* dialog) {
        auto* hint = qobject_cast<InputHintDialog*>(dialog);
        ASSERT_NE(hint, nullptr);
        EXPECT_TRUE(hint->OnlyOnceBox()->isChecked()) << "the box opens ticked";
        hint->OnlyOnceBox()->setChecked(ticked);
        hint->findChild<QPushButton*>()->click();
    });
}

}  // namespace

TEST(InputHint, OkWithTheBoxTickedStoresOneAndEndsTheHint) {
    Window w;
    ASSERT_FALSE(w.dialog.launches().hintSuppressed());
    AnswerHint(true);
    w.dialog.launches().ShowInputDeviceHint();
    EXPECT_EQ(w.fake.settings->Value("Option", "b_only_once"), "1");
    EXPECT_TRUE(w.dialog.launches().hintSuppressed());

    // No dialog any more: the call returns at once.
    w.dialog.launches().ShowInputDeviceHint();
    EXPECT_EQ(w.fake.settings->writes.back(), "Option/b_only_once");
}

TEST(InputHint, OkWithTheBoxClearedStoresZeroAndKeepsTheHint) {
    Window w;
    AnswerHint(false);
    w.dialog.launches().ShowInputDeviceHint();
    EXPECT_EQ(w.fake.settings->Value("Option", "b_only_once"), "0");
    EXPECT_FALSE(w.dialog.launches().hintSuppressed());
}

TEST(InputHint, EscapeStoresNothing) {
    Window w;
    w.fake.settings->writes.clear();
    WhenModal(PressEscape);
    w.dialog.launches().ShowInputDeviceHint();
    EXPECT_TRUE(w.fake.settings->writes.empty());
    EXPECT_FALSE(w.dialog.launches().hintSuppressed());
}

TEST(InputHint, AStoredWishIsKeptAtStartUp) {
    MainDialogFixture window;
    window.Store("b_only_once", 1);
    EXPECT_TRUE(window.Start().launches().hintSuppressed());
}

TEST(AboutDialog, LinksLeadToTheSiteAndItsContactPage) {
    FakePlatform fake;
    AboutDialog about(fake.platform);
    EXPECT_EQ(about.windowTitle(), "About Tarvelo");
    EXPECT_EQ(about.SiteLink()->text(), "https://tarvelo.example.org");
    EXPECT_EQ(about.SiteLink()->linkTarget(), "https://tarvelo.example.org");
    EXPECT_EQ(about.SupportLink()->text(), "Support Email: Click here");
    EXPECT_EQ(about.SupportLink()->linkTarget(), "https://tarvelo.example.org/contact.htm");
    EXPECT_EQ(about.SiteLink()->underlineMode(), HyperLinkLabel::UnderlineAlways);
    EXPECT_EQ(about.SupportLink()->underlineMode(), HyperLinkLabel::UnderlineAlways);

    about.SupportLink()->Click();
    EXPECT_EQ(fake.launcher->opened,
              std::vector<QString>{"https://tarvelo.example.org/contact.htm"});
    EXPECT_TRUE(fake.launcher->started.empty()) << "no mail program";
}

TEST(AboutDialog, TheAboutButtonShowsItAndOkEndsIt) {
    Window w;
    bool shown = false;
    WhenModal([&](QDialog* dialog) {
        shown = qobject_cast<AboutDialog*>(dialog) != nullptr;
        dialog->findChild<QPushButton*>()->click();
    });
    w.dialog.OnCommand(IDC_ABOUT);
    EXPECT_TRUE(shown);
}

TEST(MainWindowButtons, IconButtonsHaveTheFullBorderAndEveryButtonItsTip) {
    Window w;
    const std::pair<int, const char*> tips[] = {{IDC_OPEN, "Open an media file"},
                                                {IDC_START, "Start playing and recording"},
                                                {IDC_STOP, "Stop playing and recording"},
                                                {IDC_BROWSE, "Browse"},
                                                {IDC_PLAY, "Play the wave file"},
                                                {IDC_HOMEPAGE, "Homepage"},
                                                {IDC_ABOUT, "About"},
                                                {IDC_HELP, "Help"}};
    for (const auto& [id, tip] : tips) {
        auto* button = qobject_cast<FlatButton*>(w.dialog.controls().Control(id));
        ASSERT_NE(button, nullptr) << id;
        EXPECT_EQ(button->toolTip(), tip);
        EXPECT_EQ(button->flat(), id != IDC_OPEN && id != IDC_START && id != IDC_STOP) << id;
        EXPECT_EQ(button->cursor().hotSpot(), QPoint(5, 0)) << id;
    }
    for (int id : {IDC_MEDIA_VOLUME_LABEL, IDC_MICROPHONE_VOLUME_LABEL, IDC_RECORDING_VOLUME_LABEL,
                   IDC_OUTPUT_LABEL, IDC_MEDIA_VOLUME_MAX, IDC_MICROPHONE_VOLUME_MAX,
                   IDC_RECORDING_VOLUME_MAX, IDC_DEVICE_LABEL, IDC_SPARE_LABEL})
        EXPECT_NE(qobject_cast<PaintedLabel*>(w.dialog.controls().Control(id)), nullptr) << id;
}

TEST(MainWindowButtons, TheWindowOpensWithTheFocusOnOpen) {
    MainDialogFixture window;
    MainDialog& dialog = window.Create();
    QWidget* focused = nullptr;
    QTimer::singleShot(0, &dialog, [&] {
        focused = dialog.focusWidget();
        dialog.reject();
    });
    dialog.DoModal();
    EXPECT_EQ(focused, dialog.controls().Control(IDC_OPEN));
}

TEST(MainWindowButtons, EnterPressesTheFocusedButtonAndNeverEndsTheWindow) {
    Window w;
    int ended = 0;
    QObject::connect(&w.dialog, &QDialog::finished, [&] { ++ended; });
    QTest::keyClick(w.dialog.controls().Control(IDC_OPEN), Qt::Key_Return);
    EXPECT_EQ(w.fake.fileDialogs->calls.size(), 1u);
    QTest::keyClick(w.dialog.controls().Control(IDC_HOMEPAGE), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(w.fake.launcher->opened.size(), 1u);
    QTest::keyClick(&w.dialog, Qt::Key_Return);
    QTest::keyClick(&w.dialog, Qt::Key_Escape);
    EXPECT_EQ(ended, 0);
}

TEST(AboutDialog, LinksFitOnOneLineAtTheUsualDesktopFontSizes) {
    const QFont desktop = QApplication::font();
    for (int points : {8, 10, 12, 14}) {
        QFont font = desktop;
        font.setPointSize(points);
        QApplication::setFont(font);
        FakePlatform fake;
        AboutDialog about(fake.platform);
        for (HyperLinkLabel* link : {about.SiteLink(), about.SupportLink()}) {
            const QImage image = RenderedImage(*link);
            QRect ink;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (image.pixel(x, y) == link->TextColour().rgb()) ink |= QRect(x, y, 1, 1);
            const double advance = QFontMetricsF(link->font()).horizontalAdvance(link->text());
            EXPECT_GE(ink.width(), advance - 2) << points << " pt: " << link->text().toStdString();
            EXPECT_TRUE(about.rect().contains(link->geometry())) << points << " pt";
        }
    }
    QApplication::setFont(desktop);
}
