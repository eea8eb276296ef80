#include "karaoke/lyrics_renderer.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

#include "karaoke/lyric_layout.h"

namespace {

constexpr double kUsableWidth = 0.94;

// Width of the first sung characters, with the fraction taken from the next character.
double SungWidth(const QFontMetricsF& metrics, const QString& text, double sungCharacters) {
    const auto whole = static_cast<qsizetype>(std::floor(sungCharacters));
    if (whole >= text.size()) return metrics.horizontalAdvance(text);
    const double prefix = metrics.horizontalAdvance(text.first(whole));
    return prefix + (sungCharacters - whole) * metrics.horizontalAdvance(text.at(whole));
}

}  // namespace

QImage LyricsRenderer::Render(QSize size, LyricTimeUs timeUs) const {
    QImage image(size, QImage::Format_RGB32);
    RenderInto(image, timeUs);
    return image;
}

void LyricsRenderer::RenderInto(QImage& target, LyricTimeUs timeUs) const {
    QPainter painter(&target);
    painter.fillRect(target.rect(), kBackground);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const double rowHeight = target.height() / (kRows + 1.0);
    const double top = (target.height() - rowHeight * kRows) / 2;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);

    const std::vector<LyricRow> rows = LyricRowsAt(lyrics, timeUs, kRows);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const LyricRow& row = rows[i];
        if (row.text.isEmpty()) continue;
        font.setPixelSize(std::max(1, static_cast<int>(rowHeight * 0.6)));
        QFontMetricsF metrics(font);
        const double available = target.width() * kUsableWidth;
        if (const double width = metrics.horizontalAdvance(row.text); width > available) {
            font.setPixelSize(std::max(1, static_cast<int>(font.pixelSize() * available / width)));
            metrics = QFontMetricsF(font);
        }
        painter.setFont(font);
        const double width = metrics.horizontalAdvance(row.text);
        const QRectF box((target.width() - width) / 2, top + i * rowHeight, width, rowHeight);
        const double sung = SungWidth(metrics, row.text, row.sungCharacters);

        painter.setClipRect(QRectF(box.left() + sung, box.top(), box.width() - sung, box.height()));
        painter.setPen(kTextColor);
        painter.drawText(box, Qt::AlignCenter, row.text);
        painter.setClipRect(QRectF(box.left(), box.top(), sung, box.height()));
        painter.setPen(kSungColor);
        painter.drawText(box, Qt::AlignCenter, row.text);
        painter.setClipping(false);
    }
}
