#include "app/views/signin/FormField.h"

#include "app/views/kit/Theme.h"
#include "app/views/kit/Typography.h"

namespace hub {

FormField::FormField(const QString& placeholder, QWidget* parent) : QLineEdit(parent)
{
    setPlaceholderText(placeholder);
    setFont(Typography::font(TextStyle::body));
    setMinimumHeight(28);
    setStyleSheet(QStringLiteral("QLineEdit { background: %1; color: %2; border: 1px solid %3; border-radius: 5px; padding: 3px 8px; }"
                                 " QLineEdit:focus { border-color: %4; } QLineEdit:disabled { color: %5; }")
                      .arg(QColor(24, 24, 28).name(), Theme::primary().name(), QColor(74, 74, 82).name(), Theme::accent().name(),
                          Theme::secondary().name()));
}

} // namespace hub
