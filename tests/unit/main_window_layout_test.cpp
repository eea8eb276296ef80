#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionButton>

#include "controls/dialog_units.h"
#include "resources/dialog_template.h"
#include "resources/resource_ids.h"
#include "support/main_dialog_fixture.h"

namespace {

QString TextOf(QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    return {};
}

class MainWindowLayout : public testing::Test {
  protected:
    MainDialogFixture harness;
    MainDialog& dialog = harness.Start();
    DialogUnits units{dialog.font()};
};

TEST_F(MainWindowLayout, TheWindowHasTheTemplatesFixedSizeAndCaption) {
    EXPECT_EQ(dialog.windowTitle(), "Tarvelo");
    EXPECT_EQ(dialog.size(), QSize(units.ToPixelsX(274), units.ToPixelsY(180)));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()) << "the frame is not resizable";
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(dialog.windowIcon().isNull());
}

TEST_F(MainWindowLayout, EveryTemplateControlStandsAtItsRectangleWithItsText) {
    const DialogTemplate& main = MainDialogTemplate();
    EXPECT_EQ(main.controls.size(), 26u);
    for (const TemplateControl& control : main.controls) {
        SCOPED_TRACE(control.id);
        QWidget* widget = dialog.controls().Control(control.id);
        ASSERT_NE(widget, nullptr);
        const QRect expected = units.ToPixels(control.rect);
        EXPECT_EQ(widget->geometry().topLeft(), expected.topLeft());
        EXPECT_EQ(widget->width(), expected.width());
        if (control.kind != ControlKind::DropDownList) {
            EXPECT_EQ(widget->height(), expected.height());
        }
        EXPECT_EQ(TextOf(widget), QString::fromUtf8(control.text));
    }
}

TEST_F(MainWindowLayout, NoLabelOrButtonTextIsClipped) {
    for (const TemplateControl& control : MainDialogTemplate().controls) {
        QWidget* widget = dialog.controls().Control(control.id);
        const QString text = TextOf(widget);
        if (text.isEmpty() || control.id == IDC_CLOSE_MEDIA) continue;  // hidden
        SCOPED_TRACE(text.toStdString());
        const QFontMetrics metrics(widget->font());
        QRect room = widget->contentsRect();
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            QStyleOptionButton option;
            option.initFrom(button);
            const int margin =
                button->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, button);
            room.adjust(margin / 2, 0, -margin / 2, 0);
        }
        EXPECT_LE(metrics.horizontalAdvance(text), room.width());
        EXPECT_LE(metrics.height(), room.height());
    }
}

TEST(DialogUnitConversion, FollowsTheFontsAverageCharacterWidthAndHeight) {
    QFont font = QApplication::font();
    const DialogUnits units(font);
    EXPECT_GT(units.baseX(), 0);
    EXPECT_EQ(units.ToPixelsX(4), units.baseX());
    EXPECT_EQ(units.ToPixelsY(8), units.baseY());
    font.setPointSizeF(font.pointSizeF() * 2);
    const DialogUnits larger(font);
    EXPECT_GT(larger.ToPixelsX(274), units.ToPixelsX(274));
    // Adjacent rectangles stay adjacent after rounding.
    const QRect left = units.ToPixels({7, 7, 72, 26});
    const QRect right = units.ToPixels({79, 7, 20, 26});
    EXPECT_EQ(left.right() + 1, right.left());
}

}  // namespace
