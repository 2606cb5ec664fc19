#include "app/shell/PlaceholderScreen.h"

#include <QLabel>
#include <QVBoxLayout>

namespace hub {

PlaceholderScreen::PlaceholderScreen(const QString& title, const QString& message, QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    auto* heading = new QLabel(title, this);
    heading->setTextFormat(Qt::PlainText);
    heading->setAlignment(Qt::AlignCenter);
    QFont font = heading->font();
    font.setPointSizeF(font.pointSizeF() * 1.6);
    font.setBold(true);
    heading->setFont(font);
    layout->addWidget(heading);
    auto* text = new QLabel(message, this);
    text->setTextFormat(Qt::PlainText);
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    text->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(text);
    layout->addStretch();
}

} // namespace hub
