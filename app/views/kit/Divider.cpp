#include "app/views/kit/Divider.h"

#include "app/views/kit/Theme.h"

#include <QFrame>

namespace hub::Divider {

QWidget* make(QWidget* parent, int indent)
{
    auto* line = new QFrame(parent);
    line->setFixedHeight(1);
    line->setStyleSheet(QStringLiteral("background: %1; margin-left: %2px;").arg(Theme::primary(0.1).name(QColor::HexArgb)).arg(indent));
    return line;
}

} // namespace hub::Divider
