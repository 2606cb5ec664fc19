#include "app/views/kit/Theme.h"

#include "app/views/kit/Symbols.h"

#include <QApplication>
#include <QProxyStyle>
#include <QWidget>
#include <QStyleFactory>

namespace hub::Theme {

QColor accent() { return QColor::fromRgbF(0.40f, 0.52f, 1.0f); }
QColor violet() { return QColor::fromRgbF(0.42f, 0.20f, 0.95f); }
QColor magenta() { return QColor::fromRgbF(0.76f, 0.28f, 0.98f); }
QColor orange() { return QColor::fromRgbF(1.0f, 0.55f, 0.24f); }

QLinearGradient brand(const QRectF& rect)
{
    QLinearGradient gradient(rect.left(), rect.center().y(), rect.right(), rect.center().y());
    gradient.setColorAt(0.0, QColor::fromRgbF(1.0f, 0.6f, 0.3f));
    gradient.setColorAt(0.5, QColor::fromRgbF(0.89f, 0.24f, 0.96f));
    gradient.setColorAt(1.0, QColor::fromRgbF(0.31f, 0.42f, 0.94f));
    return gradient;
}

QColor primary() { return QColor(236, 236, 240); }
QColor secondary() { return QColor(152, 152, 160); }

QColor primary(double opacity)
{
    QColor color = primary();
    color.setAlphaF(float(opacity));
    return color;
}

QColor green() { return QColor(52, 199, 89); }
QColor red() { return QColor(255, 69, 58); }
QColor systemOrange() { return QColor(255, 159, 10); }
QColor windowBackground() { return QColor(30, 30, 34); }
QColor materialBackground() { return QColor(48, 48, 54, 240); }

QPalette darkPalette()
{
    QPalette palette;
    const QColor base(24, 24, 28);
    palette.setColor(QPalette::Window, windowBackground());
    palette.setColor(QPalette::WindowText, primary());
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, QColor(36, 36, 42));
    palette.setColor(QPalette::Text, primary());
    palette.setColor(QPalette::Button, QColor(58, 58, 64));
    palette.setColor(QPalette::ButtonText, primary());
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Highlight, accent());
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, accent());
    palette.setColor(QPalette::ToolTipBase, QColor(58, 58, 64));
    palette.setColor(QPalette::ToolTipText, primary());
    palette.setColor(QPalette::PlaceholderText, secondary());
    palette.setColor(QPalette::Mid, QColor(70, 70, 78));
    palette.setColor(QPalette::Dark, QColor(16, 16, 20));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, secondary());
    palette.setColor(QPalette::Disabled, QPalette::Text, secondary());
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, secondary());
    return palette;
}

QString styleSheet()
{
    const auto rgba = [](const QColor& color) { return color.name(QColor::HexArgb); };
    return QStringLiteral(
               "QPushButton { background: %1; color: %2; border: none; border-radius: 6px; padding: 5px 14px; }"
               "QPushButton:hover { background: %3; }"
               "QPushButton:pressed { background: %4; }"
               "QPushButton:disabled { background: %5; color: %6; }"
               "QPushButton:default { background: %7; color: white; font-weight: 600; }"
               "QPushButton:default:pressed { background: %8; }"
               "QPushButton:default:disabled { background: %9; color: %6; }"
               "QScrollBar { background: transparent; border: none; margin: 0; }"
               "QScrollBar:vertical { width: 10px; }"
               "QScrollBar:horizontal { height: 10px; }"
               "QScrollBar::handle { background: %10; border-radius: 3px; margin: 2px; }"
               "QScrollBar::handle:hover, QScrollBar::handle:pressed { background: %11; }"
               "QScrollBar::handle:vertical { min-height: 32px; }"
               "QScrollBar::handle:horizontal { min-width: 32px; }"
               "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; background: none; }"
               "QScrollBar::add-page, QScrollBar::sub-page { background: none; }"
               "QTabWidget::pane { border: none; border-top: 1px solid %5; }"
               "QTabWidget::tab-bar { alignment: center; }"
               "QTabBar::tab { background: transparent; color: %6; border: none; border-bottom: 2px solid transparent;"
               " padding: 6px 16px; margin: 0 2px; }"
               "QTabBar::tab:hover { color: %2; }"
               "QTabBar::tab:selected { color: %2; border-bottom-color: %7; }")
        .arg(rgba(primary(0.10)), primary().name(), rgba(primary(0.16)), rgba(primary(0.22)), rgba(primary(0.05)),
             secondary().name(), accent().name(), accent().darker(125).name())
        .arg(rgba(QColor::fromRgbF(accent().redF(), accent().greenF(), accent().blueF(), 0.45f)), rgba(primary(0.28)),
             rgba(primary(0.45)));
}

namespace {

// Fusion, with the hub's symbols for the standard icons its own widgets ask for: they
// suit the dark theme, and none of Qt's pictures is read (the first read also looks
// through every image format plugin), least of all while the window is put together.
class HubStyle : public QProxyStyle {
public:
    HubStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const override
    {
        switch (icon) {
        case SP_LineEditClearButton:
            return symbol(QStringLiteral("xmark"), widget);
        case SP_ToolBarHorizontalExtensionButton:
        case SP_ToolBarVerticalExtensionButton:
            return symbol(QStringLiteral("chevron.right"), widget);
        default:
            return QProxyStyle::standardIcon(icon, option, widget);
        }
    }

private:
    static QIcon symbol(const QString& name, const QWidget* widget)
    {
        const double ratio = widget ? widget->devicePixelRatioF() : qApp->devicePixelRatio();
        return QIcon(Symbols::pixmap(name, 12, secondary(), ratio));
    }
};

} // namespace

void apply(QApplication& app)
{
    app.setStyle(new HubStyle);
    app.setPalette(darkPalette());
    app.setStyleSheet(styleSheet());
}

} // namespace hub::Theme
