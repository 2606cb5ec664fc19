#include "app/views/kit/EmptyState.h"

#include "app/views/kit/Accessibility.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/TextButtons.h"
#include "app/views/kit/Theme.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace hub {

EmptyState::EmptyState(const QString& title, const QString& message, const QString& symbol,
    std::optional<Action> action, QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setSpacing(8);
    column->addStretch(1);
    auto* image = new QLabel(this);
    image->setPixmap(Symbols::pixmap(symbol, 44, Theme::secondary()));
    Accessibility::hide(image); // the title says it
    image->setAlignment(Qt::AlignCenter);
    column->addWidget(image);
    QLabel* heading = Labels::plain(title, TextStyle::title2, this, QFont::Bold);
    heading->setAlignment(Qt::AlignCenter);
    heading->setWordWrap(true);
    column->addWidget(heading);
    QLabel* text = Labels::secondary(Labels::plain(message, TextStyle::body, this));
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    column->addWidget(text);
    if (action) {
        QPushButton* button = TextButtons::asProminent(new QPushButton(action->title, this));
        connect(button, &QPushButton::clicked, this, [run = action->run] {
            if (run)
                run();
        });
        column->addSpacing(6);
        column->addWidget(button, 0, Qt::AlignHCenter);
    }
    column->addStretch(1);
}

} // namespace hub
