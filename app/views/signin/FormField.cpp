#include "app/views/signin/FormField.h"

#include "app/views/kit/Theme.h"
#include "app/views/kit/Typography.h"

namespace hub {

FormField::FormField(const QString& placeholder, QWidget* parent) : QLineEdit(parent)
{
    setPlaceholderText(placeholder);
    setFont(Typography::font(TextStyle::body));
    setMinimumHeight(28);
    Theme::setRole(this, "field");
}

} // namespace hub
