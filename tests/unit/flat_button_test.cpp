#include "controls/flat_button.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>

#include "resources/artwork.h"
#include "resources/resource_ids.h"
#include "support/ui_helpers.h"

namespace {

const QColor kParentColour(60, 170, 130);

// A button over a plain coloured parent, drawn as the main window configures it.
struct ButtonOnParent {
    ButtonOnParent(const QString& text = "Play", QSize size = {80, 44}) {
        QPalette colours = parent.palette();
        colours.setColor(QPalette::Window, kParentColour);
        parent.setPalette(colours);
        parent.setAutoFillBackground(true);
        parent.resize(size.width() + 20, size.height() + 20);
        button = new FlatButton(text, &parent);
        button->setGeometry(QRect(QPoint(10, 10), size));
        button->SetParentBackground(false);
    }

    QImage Image() { return RenderedImage(parent).copy(button->geometry()); }
    QColor Pixel(int x, int y) { return Image().pixelColor(x, y); }
    QColor Role(QPalette::ColorRole role) const {
        return QColor(button->palette().color(role).rgb());
    }

    void MoveMouse(QPoint at, Qt::MouseButtons buttons = Qt::NoButton) {
        QMouseEvent move(QEvent::MouseMove, at, button->mapToGlobal(at), Qt::NoButton, buttons,
                         Qt::NoModifier);
        QApplication::sendEvent(button, &move);
    }

    void Focus() {
        parent.show();
        parent.activateWindow();
        QApplication::setActiveWindow(&parent);
        button->setFocus();
        ASSERT_TRUE(button->hasFocus());
    }

    QWidget parent;
    FlatButton* button;
};

// The smallest rectangle holding the pixels that pass the test.
template <typename Test>
QRect InkBox(const QImage& image, Test test) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test(image.pixelColor(x, y))) box |= QRect(x, y, 1, 1);
    return box;
}

bool IsIconRed(const QColor& c) {
    return c.red() > 180 && c.green() < 100 && c.blue() < 100;
}

}  // namespace

TEST(FlatButton, FlatLookHasNoBorderUntilHoverThenRaisedAndSunkenWhenPressed) {
    ButtonOnParent b;
    const int right = b.button->width() - 1;
    const int bottom = b.button->height() - 1;
    EXPECT_EQ(b.Pixel(0, 5), kParentColour);
    EXPECT_EQ(b.Pixel(right, 5), kParentColour);
    EXPECT_EQ(b.Pixel(5, bottom), kParentColour);

    b.MoveMouse({5, 5});
    ASSERT_TRUE(b.button->hovering());
    EXPECT_EQ(b.Pixel(0, 5), b.Role(QPalette::Light));
    EXPECT_EQ(b.Pixel(5, 0), b.Role(QPalette::Light));
    EXPECT_EQ(b.Pixel(right, 5), b.Role(QPalette::Dark));
    EXPECT_EQ(b.Pixel(5, bottom), b.Role(QPalette::Dark));
    EXPECT_EQ(b.Pixel(1, 5), kParentColour) << "the hover frame is one pixel wide";

    b.button->setDown(true);
    EXPECT_EQ(b.Pixel(0, 5), b.Role(QPalette::Dark));
    EXPECT_EQ(b.Pixel(right, 5), b.Role(QPalette::Light));
    b.button->setDown(false);

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(b.button, &leave);
    EXPECT_FALSE(b.button->hovering());
    EXPECT_EQ(b.Pixel(0, 5), kParentColour);
}

TEST(FlatButton, NoHoverStartsWhileTheLeftButtonIsHeld) {
    ButtonOnParent b;
    b.MoveMouse({5, 5}, Qt::LeftButton);
    EXPECT_FALSE(b.button->hovering());
    EXPECT_EQ(b.Pixel(0, 5), kParentColour);
    b.MoveMouse({5, 5});
    EXPECT_TRUE(b.button->hovering());
}

TEST(FlatButton, FullBorderIsTwoPixelsRaisedAndOneShadowPixelWhenPressed) {
    ButtonOnParent b;
    b.button->SetFlatLook(false);
    const int right = b.button->width() - 1;
    const int bottom = b.button->height() - 1;
    EXPECT_EQ(b.Pixel(0, 5), b.Role(QPalette::Light));
    EXPECT_EQ(b.Pixel(5, 0), b.Role(QPalette::Light));
    EXPECT_EQ(b.Pixel(1, 5), b.Role(QPalette::Midlight));
    EXPECT_EQ(b.Pixel(right, 5), b.Role(QPalette::Shadow));
    EXPECT_EQ(b.Pixel(5, bottom), b.Role(QPalette::Shadow));
    EXPECT_EQ(b.Pixel(right - 1, 5), b.Role(QPalette::Dark));
    EXPECT_EQ(b.Pixel(5, bottom - 1), b.Role(QPalette::Dark));
    EXPECT_EQ(b.Pixel(2, 5), kParentColour);

    b.button->setDown(true);
    EXPECT_EQ(b.Pixel(0, 5), b.Role(QPalette::Dark));
    EXPECT_EQ(b.Pixel(right, 5), b.Role(QPalette::Dark));
    EXPECT_EQ(b.Pixel(1, 5), kParentColour);
}

TEST(FlatButton, FocusRectangleLiesThreePixelsInsideOnlyOnFullBorderButtons) {
    ButtonOnParent full("");
    full.button->SetFlatLook(false);
    full.Focus();
    const QColor text = full.Role(QPalette::ButtonText);
    EXPECT_EQ(full.Pixel(3, 3), text);
    EXPECT_EQ(full.Pixel(3, 5), text);
    EXPECT_EQ(full.Pixel(2, 5), kParentColour);
    EXPECT_EQ(full.Pixel(4, 5), kParentColour);

    ButtonOnParent flat("");
    flat.Focus();
    EXPECT_EQ(flat.Pixel(3, 3), kParentColour);
    EXPECT_EQ(flat.Pixel(3, 5), kParentColour);
}

TEST(FlatButton, IconPlacementFollowsTheLayoutAndThePressOffset) {
    const QImage icon = LoadResourceBitmap(IDI_START).toImage();
    const QRect red = InkBox(icon, IsIconRed);
    ASSERT_FALSE(red.isEmpty());

    ButtonOnParent left("Start", {120, 44});
    ASSERT_EQ(left.button->SetButtonIcon(IDI_START), 0);
    const int centredTop = (44 - 32) / 2;
    EXPECT_EQ(InkBox(left.Image(), IsIconRed), red.translated(3, centredTop));
    left.button->setDown(true);
    EXPECT_EQ(InkBox(left.Image(), IsIconRed), red.translated(4, centredTop + 1));

    ButtonOnParent above("Start", {120, 60});
    above.button->SetButtonIcon(IDI_START);
    EXPECT_EQ(above.button->SetImageLayout(FlatButton::ImageAbove), 0);
    EXPECT_EQ(InkBox(above.Image(), IsIconRed), red.translated((120 - 32) / 2, 3));

    ButtonOnParent alone("", {120, 60});
    alone.button->SetButtonIcon(IDI_START);
    EXPECT_EQ(InkBox(alone.Image(), IsIconRed), red.translated(44, 14));
}

TEST(FlatButton, CaptionSitsRightOfTheIconAndMovesWhenPressed) {
    ButtonOnParent b("Open", {140, 44});
    b.button->SetButtonIcon(IDI_OPEN);
    auto isText = [&](const QColor& c) { return c == b.Role(QPalette::ButtonText); };
    const QRect text = InkBox(b.Image().copy(40, 0, 100, 44), isText);
    ASSERT_FALSE(text.isEmpty());
    // Centred in what the icon leaves free: 35 pixels from the left edge onwards.
    const int freeCentre = 35 + (140 - 35) / 2 - 40;
    EXPECT_NEAR(text.center().x(), freeCentre, 2);
    EXPECT_NEAR(text.center().y(), 22, 2);
    b.button->setDown(true);
    EXPECT_EQ(InkBox(b.Image().copy(40, 0, 100, 44), isText), text.translated(1, 1));
}

TEST(FlatButton, DoubleClickGivesTwoClicks) {
    ButtonOnParent b;
    int clicks = 0;
    QObject::connect(b.button, &QAbstractButton::clicked, [&] { ++clicks; });
    const QPoint at(5, 5);
    const QPoint global = b.button->mapToGlobal(at);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, global, Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(b.button, &event);
    }
    EXPECT_EQ(clicks, 2);
}

TEST(FlatButton, ConfigurationAnswers) {
    ButtonOnParent b;
    EXPECT_EQ(b.button->SetImageLayout(FlatButton::ImageAbove), 0);
    EXPECT_EQ(b.button->SetImageLayout(4), 4);
    EXPECT_EQ(b.button->imageLayout(), FlatButton::ImageAbove);

    EXPECT_EQ(b.button->SetButtonIcon(IDB_BACKGROUND + 1000), 1);
    EXPECT_EQ(b.button->SetHoverCursor(IDI_START + 1000), 1);
    EXPECT_EQ(b.button->SetHoverCursor(IDC_HAND_CURSOR), 0);
    EXPECT_EQ(b.button->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(b.button->cursor().hotSpot(), QPoint(5, 0));
    EXPECT_EQ(b.button->cursor().pixmap().size(), QSize(32, 32));
    EXPECT_EQ(b.button->SetHoverCursor(0), 0);
    EXPECT_EQ(b.button->cursor().shape(), Qt::ArrowCursor);

    b.button->SetTipText("Play the wave file");
    EXPECT_EQ(b.button->toolTip(), "Play the wave file");
    b.button->SetTipText("");
    EXPECT_EQ(b.button->toolTip(), "Play the wave file");
}

TEST(FlatButton, DisablingMovesTheFocusToTheNextTabStop) {
    QWidget parent;
    auto* edit = new QLineEdit(&parent);
    auto* first = new FlatButton("Start", &parent);
    auto* label = new QWidget(&parent);
    auto* second = new FlatButton("Stop", &parent);
    auto* later = new QLineEdit(&parent);
    (void)label;
    parent.show();
    QApplication::setActiveWindow(&parent);

    later->setFocus();
    first->setEnabled(false);
    EXPECT_TRUE(second->hasFocus()) << "even when another control had the focus";

    second->setEnabled(false);
    EXPECT_TRUE(later->hasFocus());

    later->setEnabled(false);
    edit->setEnabled(false);
    auto* last = new FlatButton("Help", &parent);
    last->show();
    last->setFocus();
    last->setEnabled(false);
    EXPECT_FALSE(last->hasFocus());
}
