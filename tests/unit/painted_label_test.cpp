#include "controls/painted_label.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <vector>

#include "support/ui_helpers.h"

namespace {

// A label over a white parent.
struct LabelOnParent {
    explicit LabelOnParent(const QString& text, Qt::Alignment alignment = Qt::AlignLeft) {
        QPalette colours = parent.palette();
        colours.setColor(QPalette::Window, Qt::white);
        parent.setPalette(colours);
        parent.setAutoFillBackground(true);
        parent.resize(200, 100);
        label = new PaintedLabel(text, &parent);
        label->setAlignment(alignment);
        label->setGeometry(0, 0, 160, 80);
    }

    QImage Image() { return RenderedImage(parent).copy(label->geometry()); }

    QWidget parent;
    PaintedLabel* label;
};

int Darkness(const QImage& image, int x, int y) {
    return 255 - qGray(image.pixel(x, y));
}

bool RowHasInk(const QImage& image, int y) {
    for (int x = 0; x < image.width(); ++x)
        if (Darkness(image, x, y) > 128) return true;
    return false;
}

int FirstInkColumn(const QImage& image) {
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (Darkness(image, x, y) > 128) return x;
    return -1;
}

}  // namespace

TEST(PaintedLabel, EachLineFeedStartsALineOneHeightAndOnePixelLower) {
    LabelOnParent l("H\nH\nH");
    const QImage image = l.Image();
    std::vector<int> lineTops;
    for (int y = 0; y < image.height(); ++y)
        if (RowHasInk(image, y) && (y == 0 || !RowHasInk(image, y - 1))) lineTops.push_back(y);
    const int step = QFontMetrics(l.label->font()).height() + 1;
    ASSERT_EQ(lineTops.size(), 3u);
    EXPECT_EQ(lineTops[1] - lineTops[0], step);
    EXPECT_EQ(lineTops[2] - lineTops[1], step);
}

TEST(PaintedLabel, LinesKeepTwoPixelsFromTheEdgeTheyAreAlignedTo) {
    LabelOnParent left("Max");
    LabelOnParent right("Max", Qt::AlignRight);
    LabelOnParent centre("Max", Qt::AlignHCenter);
    const int width = QFontMetrics(left.label->font()).horizontalAdvance("Max");
    const int leftInk = FirstInkColumn(left.Image());
    ASSERT_GE(leftInk, 2);
    // The same glyphs, so the ink moves exactly as far as the text origin does.
    EXPECT_EQ(FirstInkColumn(right.Image()) - leftInk, (160 - width - 2) - 2);
    EXPECT_EQ(FirstInkColumn(centre.Image()) - leftInk, (160 - width) / 2 - 2);
}

TEST(PaintedLabel, DisabledTextIsDrawnTwiceInBlackNotGreyed) {
    LabelOnParent enabled("Output:");
    LabelOnParent disabled("Output:");
    disabled.label->setEnabled(false);
    const QImage normal = enabled.Image();
    const QImage heavy = disabled.Image();
    long normalInk = 0;
    long heavyInk = 0;
    int darkest = 0;
    for (int y = 0; y < normal.height(); ++y) {
        for (int x = 0; x < normal.width(); ++x) {
            normalInk += Darkness(normal, x, y);
            heavyInk += Darkness(heavy, x, y);
            darkest = std::max(darkest, Darkness(heavy, x, y));
        }
    }
    EXPECT_GT(heavyInk, normalInk * 3 / 2);
    EXPECT_GT(darkest, 230);
}

TEST(PaintedLabel, EmptyLabelLeavesTheParentVisible) {
    LabelOnParent l("");
    const QImage image = l.Image();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) ASSERT_EQ(image.pixel(x, y), qRgb(255, 255, 255));
}
