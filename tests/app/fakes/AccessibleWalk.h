#pragma once

#include <QAccessible>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <optional>

class QWidget;

namespace hub::test {

// One object of the accessibility tree, as a screen reader reads it.
struct AccessibleNode {
    QAccessible::Role role = QAccessible::NoRole;
    QString name;
    QString description;
    QString value;
    QAccessible::State state;
    QPointer<QObject> object; // none for the items of a view
    // The value interface's figures, when it has one.
    std::optional<double> current;
    std::optional<double> minimum;
    std::optional<double> maximum;

    // `role "name" (description) = value [states]`, for failure messages.
    QString line() const;
    // Whether the name, description or value holds `text`.
    bool says(const QString& text) const;
};

// The tree under `root`, depth first, leaving out what reports itself invisible and
// everything inside it, as the bus does.
QList<AccessibleNode> accessibleTree(QWidget* root);

// The tree as lines, one object a line (failure messages).
QString accessibleDump(const QList<AccessibleNode>& tree);

// What a screen reader would trip over under `root`, one line each: a focusable
// object without a name; an image neither named nor hidden; markup in a text; a text
// shown on screen (a label, a painted label, a button) that no object says.
QStringList accessibleFaults(QWidget* root);

// One object a screen must hold: its role and name, and what else must be read on it
// (null: anything). `states` lists the states it must have, as AccessibleNode::line()
// writes them ("focusable busy").
struct Said {
    QAccessible::Role role;
    const char* name;
    const char* description = nullptr;
    const char* value = nullptr;
    const char* states = "";
};

// The objects of `table` that `tree` does not hold, one line each.
QStringList missing(const QList<AccessibleNode>& tree, const QList<Said>& table);

} // namespace hub::test
