#include "controls/hyperlink_label.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <cmath>

#include "fakes/fake_platform.h"
#include "services/window_messages.h"
#include "support/ui_helpers.h"

namespace {

const QString kTarget = "https://tarvelo.example.org/contact.htm";

struct LinkOnParent {
    explicit LinkOnParent(const QString& text = "Support Email: Click here") {
        parent.resize(300, 100);
        label = new HyperLinkLabel(text, fake.platform, &parent);
        label->setGeometry(10, 10, 250, 20);
        label->FitToText();
        label->SetLinkTarget(kTarget);
    }

    void MoveMouseOver() {
        const QPoint at(2, 2);
        QMouseEvent move(QEvent::MouseMove, at, label->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(label, &move);
    }

    FakeWindowTimers& Timers() { return *fake.timers.back(); }

    FakePlatform fake;
    QWidget parent;
    HyperLinkLabel* label;
};

}  // namespace

TEST(HyperLinkLabel, ColoursFollowHoverVisitAndFailedOpen) {
    LinkOnParent link;
    link.label->SetUnderlineMode(HyperLinkLabel::UnderlineAlways);
    EXPECT_EQ(link.label->TextColour(), HyperLinkLabel::kLinkColour);
    // The underline is a solid line in the text colour.
    auto painted = [&](const QColor& colour) {
        const QImage image = RenderedImage(*link.label);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) == colour.rgb()) return true;
        return false;
    };
    EXPECT_TRUE(painted(HyperLinkLabel::kLinkColour));

    link.MoveMouseOver();
    EXPECT_EQ(link.label->TextColour(), HyperLinkLabel::kHoverColour);
    EXPECT_TRUE(painted(HyperLinkLabel::kHoverColour));

    link.label->Click();
    EXPECT_EQ(link.fake.launcher->opened, std::vector<QString>{kTarget});
    EXPECT_EQ(link.label->TextColour(), HyperLinkLabel::kVisitedColour);
    EXPECT_TRUE(painted(HyperLinkLabel::kVisitedColour));
    EXPECT_TRUE(link.fake.messages->shown.empty());

    link.fake.launcher->openAnswers = {SE_ERR_NOASSOC};
    link.label->Click();
    EXPECT_EQ(link.label->TextColour(), HyperLinkLabel::kLinkColour);
    EXPECT_EQ(link.fake.messages->beeps, 1);
    ASSERT_EQ(link.fake.messages->shown.size(), 1u);
    const ShownMessage& box = link.fake.messages->shown[0];
    EXPECT_EQ(box.text,
              "Unable to open hyperlink:\n\n"
              "There is no application associated\nwith the given filename extension.");
    EXPECT_EQ(box.caption, QCoreApplication::applicationName());
    EXPECT_EQ(box.style, MB_OK | MB_ICONEXCLAMATION);
}

TEST(HyperLinkLabel, RefusedOpenFallsBackToTheBrowserWithTheTargetAsOneArgument) {
    LinkOnParent link;
    const QString hostile = "/tmp/a b/\"x\";rm -rf ~;$(touch pwned).htm";
    link.label->SetLinkTarget(hostile);
    link.fake.launcher->openAnswers = {SE_ERR_NOASSOC, SE_ERR_NOASSOC, SE_ERR_NOASSOC};

    link.fake.launcher->browserCommand = "web-browser --new-window";
    link.label->Click();
    ASSERT_EQ(link.fake.launcher->started.size(), 1u);
    EXPECT_EQ(link.fake.launcher->started[0].program, "web-browser");
    EXPECT_EQ(link.fake.launcher->started[0].arguments, QStringList({"--new-window", hostile}));
    EXPECT_TRUE(link.label->visited());

    link.fake.launcher->browserCommand = "\"/opt/My Browser/run\" \"%u\" --trailing";
    link.label->Click();
    EXPECT_EQ(link.fake.launcher->started[1].program, "/opt/My Browser/run");
    EXPECT_EQ(link.fake.launcher->started[1].arguments, QStringList({hostile}));

    link.fake.launcher->startAnswer = SE_ERR_FNF;
    link.label->Click();
    EXPECT_FALSE(link.label->visited());
    ASSERT_EQ(link.fake.messages->shown.size(), 1u);
    EXPECT_EQ(link.fake.messages->shown[0].text,
              "Unable to open hyperlink:\n\nThe specified file was not found.");
}

TEST(HyperLinkLabel, WithoutABrowserTheOpenersCodeIsReported) {
    LinkOnParent link;
    link.fake.launcher->openAnswers = {12};
    link.label->Click();
    EXPECT_TRUE(link.fake.launcher->started.empty());
    ASSERT_EQ(link.fake.messages->shown.size(), 1u);
    EXPECT_EQ(link.fake.messages->shown[0].text,
              "Unable to open hyperlink:\n\nUnknown Error (12) occurred.");
}

TEST(HyperLinkLabel, BrowserCommandIsCutAtItsPlaceholder) {
    EXPECT_EQ(CutAtPlaceholder("browser"), "browser");
    EXPECT_EQ(CutAtPlaceholder("browser %U --x"), "browser ");
    EXPECT_EQ(CutAtPlaceholder("browser -a %f"), "browser -a ");
    EXPECT_EQ(CutAtPlaceholder("browser \"%1\""), "browser ");
    // A quoted placeholder wins over a bare one before it.
    EXPECT_EQ(CutAtPlaceholder("browser %u \"%F\""), "browser %u ");
}

TEST(HyperLinkLabel, UnderlineComesWithThePointerUnlessAlwaysShown) {
    LinkOnParent link;
    EXPECT_FALSE(link.label->font().underline());
    EXPECT_EQ(link.label->toolTip(), kTarget);
    EXPECT_EQ(link.label->cursor().shape(), Qt::PointingHandCursor);

    link.MoveMouseOver();
    EXPECT_TRUE(link.label->font().underline());
    EXPECT_EQ(link.Timers().running.at(ID_HOVER_TIMER), HOVER_TIMER_PERIOD_MS);

    QCursor::setPos(link.label->mapToGlobal(QPoint(5, 5)));
    link.Timers().Fire(ID_HOVER_TIMER);
    EXPECT_TRUE(link.label->hovering()) << "the pointer is still over the label";

    QCursor::setPos(link.label->mapToGlobal(QPoint(-50, -50)));
    link.Timers().Fire(ID_HOVER_TIMER);
    EXPECT_FALSE(link.label->hovering());
    EXPECT_FALSE(link.label->font().underline());
    EXPECT_FALSE(link.Timers().IsRunning(ID_HOVER_TIMER));

    link.label->SetUnderlineMode(HyperLinkLabel::UnderlineAlways);
    EXPECT_TRUE(link.label->font().underline());
    link.MoveMouseOver();
    link.Timers().Fire(ID_HOVER_TIMER);
    EXPECT_TRUE(link.label->font().underline());
}

TEST(HyperLinkLabel, FittingKeepsTheEdgeOrCentreItsAlignmentNames) {
    FakePlatform fake;
    QWidget parent;
    auto* centred = new HyperLinkLabel("Click here", fake.platform, &parent);
    centred->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    centred->setGeometry(20, 10, 300, 40);
    centred->FitToText();
    QFont underlined = centred->font();
    underlined.setUnderline(true);
    const int textWidth =
        static_cast<int>(std::ceil(QFontMetricsF(underlined).horizontalAdvance("Click here")));
    // Both sides give up the same whole number of pixels.
    EXPECT_EQ(centred->width(), 300 - 2 * ((300 - textWidth) / 2));
    EXPECT_NEAR(centred->geometry().center().x(), QRect(20, 10, 300, 40).center().x(), 1);
    EXPECT_EQ(centred->height(), std::ceil(QFontMetricsF(underlined).height()));

    auto* right = new HyperLinkLabel("Click here", fake.platform, &parent);
    right->setAlignment(Qt::AlignRight | Qt::AlignTop);
    right->setGeometry(20, 60, 300, 40);
    right->FitToText();
    EXPECT_EQ(right->geometry().right(), 319);
    EXPECT_EQ(right->width(), textWidth);
}

TEST(HyperLinkLabel, ADoubleClickOpensTheTargetOnce) {
    LinkOnParent link;
    const QPoint at(3, 3);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, link.label->mapToGlobal(at), Qt::LeftButton, held,
                          Qt::NoModifier);
        QApplication::sendEvent(link.label, &event);
    }
    EXPECT_EQ(link.fake.launcher->opened.size(), 1u);
    QTest::mouseClick(link.label, Qt::LeftButton, {}, at);
    EXPECT_EQ(link.fake.launcher->opened.size(), 2u) << "the next click opens again";
}

namespace {

// Contrast of two colours as the web's accessibility guidelines measure it.
double Contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto linear = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace

TEST(HyperLinkLabel, LinksStayLegibleOnADarkWindow) {
    LinkOnParent link;
    const QColor window(45, 45, 45);
    link.parent.setPalette(QPalette(QColor(60, 60, 60), window));
    link.label->SetUnderlineMode(HyperLinkLabel::UnderlineAlways);
    auto legible = [&] {
        const QColor colour = link.label->TextColour();
        // The underline is drawn in the text colour itself.
        const QImage image = RenderedImage(*link.label);
        bool drawn = false;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                drawn = drawn || image.pixel(x, y) == colour.rgb();
        return drawn && Contrast(colour, window) >= 4.5;
    };
    EXPECT_TRUE(legible()) << "link";
    link.MoveMouseOver();
    EXPECT_TRUE(legible()) << "hover";
    link.label->Click();
    EXPECT_TRUE(link.label->visited());
    EXPECT_TRUE(legible()) << "visited";
}
