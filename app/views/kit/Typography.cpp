#include "app/views/kit/Typography.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetricsF>

namespace hub::Typography {

namespace {

struct Style {
    int pixels;
    QFont::Weight weight;
};

Style style(TextStyle text)
{
    switch (text) {
    case TextStyle::largeTitle: return {26, QFont::Normal};
    case TextStyle::pageTitle: return {30, QFont::Bold};
    case TextStyle::title2: return {17, QFont::Normal};
    case TextStyle::title3: return {15, QFont::Normal};
    case TextStyle::headline: return {13, QFont::Bold};
    case TextStyle::body: return {13, QFont::Normal};
    case TextStyle::callout: return {12, QFont::Normal};
    case TextStyle::subheadline: return {11, QFont::Normal};
    case TextStyle::footnote: return {10, QFont::Normal};
    case TextStyle::caption: return {10, QFont::Normal};
    }
    return {13, QFont::Normal};
}

bool evenDigits(const QFont& font)
{
    const QFontMetricsF metrics(font);
    const qreal zero = metrics.horizontalAdvance(QLatin1Char('0'));
    for (char digit = '1'; digit <= '9'; ++digit) {
        if (metrics.horizontalAdvance(QLatin1Char(digit)) != zero)
            return false;
    }
    return true;
}

} // namespace

int pixelSize(TextStyle text) { return style(text).pixels; }
QFont::Weight weight(TextStyle text) { return style(text).weight; }

QFont font(TextStyle text, std::optional<QFont::Weight> weight)
{
    return font(style(text).pixels, weight.value_or(style(text).weight));
}

QFont font(double pixelSize, QFont::Weight weight)
{
    QFont font = QApplication::font();
    font.setPixelSize(std::max(1, qRound(pixelSize)));
    font.setWeight(weight);
    return font;
}

QFont monospacedDigits(const QFont& font)
{
    if (evenDigits(font))
        return font;
    for (const char* family : {"DejaVu Sans", "Nimbus Sans", "Liberation Sans"}) {
        QFont other = font;
        other.setFamilies({QString::fromLatin1(family)});
        if (QFontInfo(other).family() == QLatin1String(family) && evenDigits(other))
            return other;
    }
    return font;
}

} // namespace hub::Typography
