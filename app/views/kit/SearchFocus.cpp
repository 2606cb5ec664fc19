#include "app/views/kit/SearchFocus.h"

#include "app/views/kit/SearchField.h"

#include <QApplication>
#include <QMainWindow>

namespace hub::SearchFocus {

SearchField* find(QWidget* root)
{
    if (auto* field = qobject_cast<SearchField*>(root))
        return field;
    for (QObject* child : root->children()) {
        if (auto* widget = qobject_cast<QWidget*>(child)) {
            if (SearchField* found = find(widget))
                return found;
        }
    }
    return nullptr;
}

void focus()
{
    QWidget* window = QApplication::activeWindow();
    if (!window) {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->isVisible() && qobject_cast<QMainWindow*>(top)) {
                window = top;
                break;
            }
        }
    }
    if (!window)
        return;
    if (SearchField* field = find(window))
        field->setFocus(Qt::ShortcutFocusReason);
}

} // namespace hub::SearchFocus
