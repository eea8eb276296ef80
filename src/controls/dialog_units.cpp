#include "controls/dialog_units.h"

#include <QFontMetrics>

namespace {

// Rounds as MulDiv does.
int ScaleRounded(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    return static_cast<int>((product + (product >= 0 ? denominator / 2 : -denominator / 2)) /
                            denominator);
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX_ = (alphabet / 26 + 1) / 2;
    baseY_ = metrics.height();
}

int DialogUnits::ToPixelsX(int units) const {
    return ScaleRounded(units, baseX_, 4);
}
int DialogUnits::ToPixelsY(int units) const {
    return ScaleRounded(units, baseY_, 8);
}

QRect DialogUnits::ToPixels(const QRect& units) const {
    const int left = ToPixelsX(units.x());
    const int top = ToPixelsY(units.y());
    return QRect(left, top, ToPixelsX(units.x() + units.width()) - left,
                 ToPixelsY(units.y() + units.height()) - top);
}
