#include "app/views/kit/Theme.h"

#include "app/views/kit/HubStyle.h"

#include <QApplication>
#include <QStyle>
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

void setRole(QWidget* widget, const char* role)
{
    widget->setProperty("role", QString::fromLatin1(role));
    // A widget already polished takes the new look only when polished again, and its
    // size only when told that its style changed.
    if (widget->testAttribute(Qt::WA_WState_Polished)) {
        widget->style()->unpolish(widget);
        widget->style()->polish(widget);
        QEvent changed(QEvent::StyleChange);
        QCoreApplication::sendEvent(widget, &changed);
    }
}

void apply(QApplication& app)
{
    app.setStyle(new HubStyle);
    app.setPalette(darkPalette());
}

} // namespace hub::Theme
