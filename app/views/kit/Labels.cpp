#include "app/views/kit/Labels.h"

#include "app/views/kit/Theme.h"

namespace hub::Labels {

QLabel* plain(const QString& text, TextStyle style, QWidget* parent, std::optional<QFont::Weight> weight)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(Typography::font(style, weight));
    label->setText(text);
    return label;
}

void setColor(QLabel* label, const QColor& color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    label->setPalette(palette);
}

QLabel* secondary(QLabel* label)
{
    setColor(label, Theme::secondary());
    return label;
}

QLabel* monospacedDigits(QLabel* label)
{
    label->setFont(Typography::monospacedDigits(label->font()));
    return label;
}

void setToolTip(QWidget* widget, const QString& text)
{
    // Marked up once by us, so that the text's own markup is shown, not read; rich
    // text would run its lines together.
    widget->setToolTip(text.isEmpty() ? QString()
                                      : QStringLiteral("<span>") + text.toHtmlEscaped().replace(u'\n', QStringLiteral("<br>"))
            + QStringLiteral("</span>"));
    // Else the bus reads the tooltip, markup and all.
    if (widget->accessibleDescription() != text)
        widget->setAccessibleDescription(text);
}

} // namespace hub::Labels
