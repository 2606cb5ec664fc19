#include "app/views/signin/FormField.h"

#include "app/views/kit/Theme.h"
#include "app/views/kit/Typography.h"

namespace hub {

FormField::FormField(const QString& title, QWidget* parent) : QLineEdit(parent)
{
    setTitle(title);
    setFont(Typography::font(TextStyle::body));
    setMinimumHeight(28);
    Theme::setRole(this, "field");
}

void FormField::setTitle(const QString& title)
{
    if (title == placeholderText())
        return; // a screen reader hears of each new name
    setPlaceholderText(title);
    setAccessibleName(title);
}

} // namespace hub
