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
    EXPECT_EQ(b.Pixel(0, 5), FlatButton::kHighlight);
    EXPECT_EQ(b.Pixel(5, 0), FlatButton::kHighlight);
    EXPECT_EQ(b.Pixel(right, 5), FlatButton::kShadow);
    EXPECT_EQ(b.Pixel(5, bottom), FlatButton::kShadow);
    EXPECT_EQ(b.Pixel(1, 5), kParentColour) << "the hover frame is one pixel wide";

    b.button->setDown(true);
    EXPECT_EQ(b.Pixel(0, 5), FlatButton::kShadow);
    EXPECT_EQ(b.Pixel(right, 5), FlatButton::kHighlight);
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
    EXPECT_EQ(b.Pixel(0, 5), FlatButton::kHighlight);
    EXPECT_EQ(b.Pixel(5, 0), FlatButton::kHighlight);
    EXPECT_EQ(b.Pixel(1, 5), FlatButton::kLight);
    EXPECT_EQ(b.Pixel(right, 5), FlatButton::kDarkShadow);
    EXPECT_EQ(b.Pixel(5, bottom), FlatButton::kDarkShadow);
    EXPECT_EQ(b.Pixel(right - 1, 5), FlatButton::kShadow);
    EXPECT_EQ(b.Pixel(5, bottom - 1), FlatButton::kShadow);
    EXPECT_EQ(b.Pixel(2, 5), kParentColour);

    b.button->setDown(true);
    EXPECT_EQ(b.Pixel(0, 5), FlatButton::kShadow);
    EXPECT_EQ(b.Pixel(right, 5), FlatButton::kShadow);
    EXPECT_EQ(b.Pixel(1, 5), kParentColour);
}

TEST(FlatButton, FocusRectangleLiesThreePixelsInsideOnlyOnFullBorderButtons) {
    ButtonOnParent full("");
    full.button->SetFlatLook(false);
    full.Focus();
    const QColor text = FlatButton::kText;
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
    auto isText = [&](const QColor& c) { return c == FlatButton::kText; };
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

TEST(FlatButton, KeepsItsLightLookUnderADarkDesktopPalette) {
    const QPalette desktop = QApplication::palette();
    QPalette dark(QColor(45, 45, 45), QColor(30, 30, 30));
    dark.setColor(QPalette::ButtonText, Qt::white);
    QApplication::setPalette(dark);
    ButtonOnParent b("Start", {120, 44});
    b.button->SetButtonIcon(IDI_START);
    auto darkest = [](const QImage& image) {
        int least = 255;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                least = std::min(least, image.pixelColor(x, y).lightness());
        return least;
    };
    auto meanLightness = [](const QImage& image) {
        long sum = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) sum += image.pixelColor(x, y).lightness();
        return sum / (image.width() * image.height());
    };
    const QRect iconArea(3, 6, 32, 32);
    const QRect captionArea(40, 0, 80, 44);
    const QImage enabled = b.Image();
    b.button->setEnabled(false);
    const QImage disabled = b.Image();
    QApplication::setPalette(desktop);

    EXPECT_LT(darkest(enabled.copy(captionArea)), 60) << "a dark caption on the light face";
    EXPECT_GT(darkest(disabled.copy(captionArea)), darkest(enabled.copy(captionArea)));
    EXPECT_GE(meanLightness(disabled.copy(iconArea)), meanLightness(enabled.copy(iconArea)))
        << "a disabled icon is greyed towards the face, never darkened";
}

TEST(FlatButton, DrawsItsIconAndCursorFromTheDenseArtworkAtPixelRatioTwo) {
    ButtonOnParent b("Start", {120, 44});
    b.button->SetButtonIcon(IDI_START);
    QPixmap dense(b.parent.size() * 2);
    dense.setDevicePixelRatio(2);
    b.parent.render(&dense);
    const QImage icon = dense.toImage().copy(QRect(b.button->pos() * 2, QSize(240, 88)));
    const QImage artwork = LoadResourceBitmap(IDI_START, 2).toImage();
    ASSERT_EQ(artwork.size(), QSize(64, 64));
    EXPECT_EQ(InkBox(icon, IsIconRed).size(), InkBox(artwork, IsIconRed).size());
    // A doubled 32-pixel image would paint every 2x2 block in one colour.
    int mixedBlocks = 0;
    for (int y = 0; y + 1 < icon.height(); y += 2)
        for (int x = 0; x + 1 < 80; x += 2)
            if (icon.pixel(x, y) != icon.pixel(x + 1, y + 1)) ++mixedBlocks;
    EXPECT_GT(mixedBlocks, 20);

    const std::optional<QCursor> hand = LoadResourceCursor(IDC_HAND_CURSOR, 2);
    ASSERT_TRUE(hand);
    EXPECT_EQ(hand->pixmap().size(), QSize(64, 64));
    EXPECT_EQ(hand->pixmap().devicePixelRatio(), 2);
    EXPECT_EQ(hand->hotSpot(), QPoint(10, 0));
}
