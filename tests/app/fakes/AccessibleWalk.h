#pragma once

#include <QAccessible>
#include <QList>
#include <QPointer>
#include <QStringList>

class QWidget;

namespace hub::test {

// One object of the accessibility tree, as a screen reader reads it.
struct AccessibleNode {
    QAccessible::Role role = QAccessible::NoRole;
    QString name, description, value;
    QAccessible::State state;
    QPointer<QObject> object; // none for the items of a view
    QString figures; // "current in minimum..maximum", when it has a value interface

    QString line() const; // role "name" (description) = value figures [states]
};

// The tree under `root`, depth first, without what reports itself invisible, as on the bus.
QList<AccessibleNode> accessibleTree(QWidget* root);

// An object a screen must hold: null says anything; `states` as line() writes them ("focusable busy").
struct Said {
    QAccessible::Role role;
    const char* name;
    const char* description = nullptr;
    const char* value = nullptr;
    const char* states = "";
};

// What a screen reader would trip over under `root`, one line each: a focusable object without a name, an image
// neither named nor hidden, markup in a text, a text on screen (a label, a painted label, a button) that no object
// says, an object of `table` not there; then, when any, the tree.
QStringList misread(QWidget* root, const QList<Said>& table = {});

} // namespace hub::test
