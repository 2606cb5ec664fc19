#include "app/views/library/ButtonStyles.h"

#include "app/views/kit/Theme.h"

#include <QPushButton>

namespace hub::ButtonStyles {

QPushButton* prominent(QPushButton* button, bool large)
{
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none; border-radius: %2px; "
                                         "padding: %3; font-weight: 600; }"
                                         "QPushButton:disabled { background: %4; }")
                              .arg(Theme::accent().name())
                              .arg(large ? 8 : 6)
                              .arg(large ? QStringLiteral("8px 18px") : QStringLiteral("4px 12px"))
                              .arg(Theme::primary(0.15).name(QColor::HexArgb)));
    return button;
}

QPushButton* bordered(QPushButton* button, bool destructive)
{
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: %2; border: none; border-radius: 6px; "
                                         "padding: 4px 12px; }"
                                         "QPushButton:disabled { color: %3; }")
                              .arg(Theme::primary(0.12).name(QColor::HexArgb))
                              .arg((destructive ? Theme::red() : Theme::primary()).name())
                              .arg(Theme::secondary().name()));
    return button;
}

QPushButton* link(QPushButton* button)
{
    button->setCursor(Qt::PointingHandCursor);
    button->setFlat(true);
    button->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: none; background: transparent; padding: 0; "
                                         "text-align: left; }")
                              .arg(Theme::accent().name()));
    return button;
}

} // namespace hub::ButtonStyles
