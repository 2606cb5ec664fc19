#include "app/views/kit/TextButtons.h"

#include "app/views/kit/Theme.h"
#include "app/views/kit/Typography.h"

namespace hub::TextButtons {

namespace {

QPushButton* make(const QString& title, QWidget* parent)
{
    auto* button = new QPushButton(title, parent);
    button->setFont(Typography::font(TextStyle::body));
    return button;
}

QPushButton* look(QPushButton* button, const char* role)
{
    button->setCursor(Qt::PointingHandCursor);
    Theme::setRole(button, role);
    return button;
}

} // namespace

QPushButton* prominent(const QString& title, QWidget* parent) { return asProminent(make(title, parent)); }
QPushButton* regular(const QString& title, QWidget* parent) { return asRegular(make(title, parent)); }
QPushButton* link(const QString& title, QWidget* parent) { return asLink(make(title, parent)); }

QPushButton* asProminent(QPushButton* button, Size size)
{
    if (size != Size::regular)
        button->setProperty("controlSize", size == Size::small ? QStringLiteral("small") : QStringLiteral("large"));
    return look(button, "prominent");
}

QPushButton* asRegular(QPushButton* button, bool destructive, bool leading)
{
    button->setProperty("destructive", destructive);
    button->setProperty("leading", leading);
    return look(button, "regular");
}

QPushButton* asLink(QPushButton* button)
{
    button->setFlat(true);
    return look(button, "link");
}

} // namespace hub::TextButtons
