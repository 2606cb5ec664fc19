#include "app/views/kit/Typography.h"

#include <QApplication>

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

} // namespace hub::Typography
