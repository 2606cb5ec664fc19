#include "app/views/kit/SearchField.h"

#include "app/views/kit/SymbolName.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/Theme.h"

#include <QAction>
#include <QKeyEvent>

namespace hub {

SearchField::SearchField(QWidget* parent) : QLineEdit(parent)
{
    setPlaceholderText(QStringLiteral("Search"));
    setAccessibleName(QStringLiteral("Search"));
    setClearButtonEnabled(true);
    addAction(QIcon(Symbols::pixmap("magnifyingglass"_symbol, 14, Theme::secondary())), QLineEdit::LeadingPosition);
}

void SearchField::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && !text().isEmpty()) {
        clear();
        emit textEdited(QString());
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace hub
