#include "app/views/kit/TextButtons.h"

#include "app/views/kit/Theme.h"
#include "app/views/kit/Typography.h"

namespace hub::TextButtons {

namespace {

QPushButton* make(const QString& title, QWidget* parent, const QString& style)
{
    auto* button = new QPushButton(title, parent);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(Typography::font(TextStyle::body));
    button->setStyleSheet(style);
    return button;
}

} // namespace

QPushButton* prominent(const QString& title, QWidget* parent)
{
    return make(title, parent,
                QStringLiteral("QPushButton { background: %1; color: white; border: none; border-radius: 6px; "
                               "padding: 5px 14px; font-weight: 600; } QPushButton:pressed { background: %2; }")
                    .arg(Theme::accent().name(), Theme::accent().darker(125).name()));
}

QPushButton* regular(const QString& title, QWidget* parent)
{
    return make(title, parent,
                QStringLiteral("QPushButton { background: %1; color: %2; border: 1px solid %3; border-radius: 6px; "
                               "padding: 4px 12px; } QPushButton:pressed { background: %3; }")
                    .arg(Theme::primary(0.10).name(QColor::HexArgb), Theme::primary().name(),
                         Theme::primary(0.16).name(QColor::HexArgb)));
}

QPushButton* link(const QString& title, QWidget* parent)
{
    QPushButton* button = make(title, parent,
                               QStringLiteral("QPushButton { background: transparent; color: %1; border: none; padding: 0; "
                                              "text-align: left; } QPushButton:hover { text-decoration: underline; }")
                                   .arg(Theme::accent().name()));
    button->setFlat(true);
    return button;
}

} // namespace hub::TextButtons
