#pragma once

#include <QProxyStyle>

namespace hub {

// Fusion in the app's dark look, drawn by the style itself: rounded push buttons (the
// default button of a dialog in the accent colour), thin scroll bars without arrows,
// centred underlined tabs, and the variants a widget asks for with its `role` property
// (see Theme::setRole). It also gives the hub's symbols for the standard icons its own
// widgets ask for: they suit the dark theme, and none of Qt's pictures is read.
class HubStyle : public QProxyStyle {
public:
    HubStyle();

    using QProxyStyle::polish;
    using QProxyStyle::unpolish;
    void polish(QWidget* widget) override;
    void unpolish(QWidget* widget) override;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
        const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
        const QWidget* widget) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
        const QWidget* widget) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
        const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
        QStyleHintReturn* returned) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
        const QWidget* widget) const override;
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const override;

private:
    void drawButtonLabel(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;
    void drawScrollBar(const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const;
    QRect scrollBarRect(const QStyleOptionComplex* option, SubControl part, const QWidget* widget) const;
};

} // namespace hub
