#include "app/views/kit/Theme.h"

#include "app/views/kit/Symbols.h"

#include <QApplication>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

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
    QColor faintAccent = accent();
    faintAccent.setAlphaF(0.45f);
    // Push buttons: the plain one, then the variants a view picks with its `role` property.
    const QString buttons =
        QStringLiteral(
            "QPushButton { background: %1; color: %2; border: none; border-radius: 6px; padding: 5px 14px; }"
            "QPushButton:hover { background: %3; }"
            "QPushButton:pressed { background: %4; }"
            "QPushButton:disabled { background: %5; color: %6; }"
            "QPushButton[role=\"regular\"] { padding: 4px 12px; }"
            "QPushButton[role=\"regular\"][leading=\"true\"] { text-align: left; }"
            "QPushButton[role=\"regular\"][destructive=\"true\"] { color: %7; }"
            "QPushButton:default, QPushButton[role=\"prominent\"] { background: %8; color: white; font-weight: 600; }"
            "QPushButton:default:pressed, QPushButton[role=\"prominent\"]:pressed { background: %9; }"
            "QPushButton:default:disabled, QPushButton[role=\"prominent\"]:disabled { background: %10; color: %11; }"
            "QPushButton[role=\"prominent\"][size=\"small\"] { padding: 4px 12px; }"
            "QPushButton[role=\"prominent\"][size=\"large\"] { border-radius: 8px; padding: 8px 18px; }"
            "QPushButton[role=\"link\"], QPushButton[role=\"overlayLink\"] { background: transparent; border: none;"
            " padding: 0; text-align: left; }"
            "QPushButton[role=\"link\"] { color: %8; }"
            "QPushButton[role=\"link\"]:hover { text-decoration: underline; }"
            "QPushButton[role=\"link\"]:disabled { color: %6; }"
            "QPushButton[role=\"overlayLink\"] { color: white; }")
            .arg(rgba(primary(0.10)), primary().name(), rgba(primary(0.16)), rgba(primary(0.22)), rgba(primary(0.05)),
                secondary().name(), red().name(), accent().name(), accent().darker(125).name())
            .arg(rgba(faintAccent), rgba(primary(0.55)));
    // The two segmented pickers: the library's flat bar and the sign-in sheet's track.
    const QString segments =
        QStringLiteral(
            "QPushButton[role=\"segment\"] { background: %1; color: %2; border: none; padding: 4px 12px; }"
            "QPushButton[role=\"segment\"]:checked { background: %3; color: white; }"
            "QWidget[role=\"track\"] { background: %4; border-radius: 6px; }"
            "QPushButton[role=\"trackSegment\"] { background: transparent; color: %2; border: none; border-radius: 5px;"
            " padding: 3px 10px; }"
            "QPushButton[role=\"trackSegment\"]:checked { background: %5; }")
            .arg(rgba(primary(0.08)), primary().name(), rgba(primary(0.28)), QColor(44, 44, 50).name(),
                QColor(92, 92, 100).name());
    // Tool buttons that only show their symbol, and the one whose menu arrow sits beside its text.
    const QString tools = QStringLiteral(
        "QToolButton[role=\"symbol\"] { border: none; }"
        "QToolButton[role=\"symbol\"]::menu-indicator { image: none; }"
        "QToolButton[role=\"menu\"] { padding-right: 14px; }"
        "QToolButton[role=\"menu\"]::menu-indicator { subcontrol-origin: padding; subcontrol-position: center right; }");
    // Surfaces: cards, small tags, the sheets' material footer, and scrollers that show what is under them.
    const QString surfaces =
        QStringLiteral("QWidget[role=\"card\"] { background: %1; border-radius: 12px; }"
                       "QLabel[role=\"tag\"] { background: %2; border-radius: 8px; padding: 1px 6px; }"
                       "QWidget[role=\"material\"] { background: %3; }"
                       "QScrollArea[role=\"clear\"], QScrollArea[role=\"clear\"] > QWidget > QWidget { background: transparent; }")
            .arg(rgba(primary(0.05)), rgba(primary(0.10)), rgba(materialBackground()));
    // Text entry of the forms.
    const QString fields =
        QStringLiteral(
            "QLineEdit[role=\"field\"] { background: %1; color: %2; border: 1px solid %3; border-radius: 5px; padding: 3px 8px; }"
            "QLineEdit[role=\"field\"]:focus { border-color: %4; }"
            "QLineEdit[role=\"field\"]:disabled { color: %5; }"
            "QPlainTextEdit[role=\"field\"] { padding: 4px; border: 1px solid %6; border-radius: 6px; }"
            "QCheckBox[role=\"field\"]::indicator { width: 12px; height: 12px; border: 1px solid %5; border-radius: 3px; }"
            "QCheckBox[role=\"field\"]::indicator:checked { background: %4; border-color: %4; }")
            .arg(QColor(24, 24, 28).name(), primary().name(), QColor(74, 74, 82).name(), accent().name(), secondary().name(),
                rgba(primary(0.15)));
    const QString scrollBarsAndTabs =
        QStringLiteral(
            "QScrollBar { background: transparent; border: none; margin: 0; }"
            "QScrollBar:vertical { width: 10px; }"
            "QScrollBar:horizontal { height: 10px; }"
            "QScrollBar::handle { background: %1; border-radius: 3px; margin: 2px; }"
            "QScrollBar::handle:hover, QScrollBar::handle:pressed { background: %2; }"
            "QScrollBar::handle:vertical { min-height: 32px; }"
            "QScrollBar::handle:horizontal { min-width: 32px; }"
            "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; background: none; }"
            "QScrollBar::add-page, QScrollBar::sub-page { background: none; }"
            "QTabWidget::pane { border: none; border-top: 1px solid %3; }"
            "QTabWidget::tab-bar { alignment: center; }"
            "QTabBar::tab { background: transparent; color: %4; border: none; border-bottom: 2px solid transparent;"
            " padding: 6px 16px; margin: 0 2px; }"
            "QTabBar::tab:hover { color: %5; }"
            "QTabBar::tab:selected { color: %5; border-bottom-color: %6; }")
            .arg(rgba(primary(0.28)), rgba(primary(0.45)), rgba(primary(0.05)), secondary().name(), primary().name(),
                accent().name());
    return buttons + segments + tools + surfaces + fields + scrollBarsAndTabs;
}

void setRole(QWidget* widget, const char* role)
{
    widget->setProperty("role", QString::fromLatin1(role));
    // A widget already drawn takes the new rules only when polished again.
    if (widget->testAttribute(Qt::WA_WState_Polished)) {
        widget->style()->unpolish(widget);
        widget->style()->polish(widget);
    }
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
