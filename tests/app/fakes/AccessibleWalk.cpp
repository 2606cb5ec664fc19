#include "tests/app/fakes/AccessibleWalk.h"

#include "app/views/kit/Accessibility.h"
#include "app/views/kit/ElidedLabel.h"

#include <QAbstractButton>
#include <QAccessibleValueInterface>
#include <QLabel>
#include <QMetaEnum>
#include <QRegularExpression>

namespace hub::test {

namespace {

void walk(QAccessibleInterface* node, QList<AccessibleNode>& into)
{
    if (!node || !node->isValid() || node->state().invisible)
        return;
    into.append({node->role(), node->text(QAccessible::Name), node->text(QAccessible::Description), node->text(QAccessible::Value),
                 node->state(), node->object()});
    if (QAccessibleValueInterface* value = node->valueInterface())
        into.last().figures = QStringLiteral("%1 in %2..%3").arg(value->currentValue().toDouble())
            .arg(value->minimumValue().toDouble()).arg(value->maximumValue().toDouble());
    for (int i = 0; i < node->childCount(); ++i)
        walk(node->child(i), into);
}

QStringList states(const QAccessible::State& state)
{
    QStringList on;
    for (const auto& [set, name] : {std::pair<bool, const char*>{state.focusable, "focusable"}, {state.disabled, "disabled"},
             {state.checked, "checked"}, {state.busy, "busy"}})
        if (set)
            on << QString::fromLatin1(name);
    return on;
}

// The text a widget shows on screen, when it is text.
QString shownText(const QWidget* widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->textFormat() == Qt::RichText ? QString() : label->text();
    if (const auto* label = qobject_cast<const ElidedLabel*>(widget))
        return label->text();
    const auto* button = qobject_cast<const QAbstractButton*>(widget);
    return button ? button->text() : QString();
}

// Whether `widget` or a parent up to `root` is left out of the tree on purpose.
bool leftOut(const QWidget* widget, const QWidget* root)
{
    for (const QWidget* up = widget; up && up != root; up = up->parentWidget())
        if (Accessibility::isHidden(up))
            return true;
    return Accessibility::isHidden(root);
}

} // namespace

QString AccessibleNode::line() const
{
    QString text = QStringLiteral("%1 \"%2\"").arg(QString::fromLatin1(QMetaEnum::fromType<QAccessible::Role>().valueToKey(role)), name);
    if (!description.isEmpty())
        text += QStringLiteral(" (%1)").arg(description);
    if (!value.isEmpty())
        text += QStringLiteral(" = ") + value;
    if (!figures.isEmpty())
        text += u' ' + figures;
    if (const QStringList on = states(state); !on.isEmpty())
        text += QStringLiteral(" [%1]").arg(on.join(u' '));
    return text;
}

QList<AccessibleNode> accessibleTree(QWidget* root)
{
    QList<AccessibleNode> tree;
    walk(QAccessible::queryAccessibleInterface(root), tree);
    return tree;
}

QStringList misread(QWidget* root, const QList<Said>& table)
{
    static const QRegularExpression markup(QStringLiteral("<[a-zA-Z/][^>]*>"));
    const QList<AccessibleNode> tree = accessibleTree(root);
    const auto anyNode = [&](const auto& test) { return std::ranges::any_of(tree, test); };
    QStringList faults;
    for (const AccessibleNode& node : tree) {
        const auto* widget = qobject_cast<QWidget*>(node.object);
        if (widget && widget != root && !widget->isVisibleTo(root))
            continue;
        const QString what = (widget ? QString::fromLatin1(widget->metaObject()->className()) + u' ' : QString()) + node.line();
        if (node.state.focusable && node.name.trimmed().isEmpty())
            faults << QStringLiteral("unnamed: ") + what;
        if (node.role == QAccessible::Graphic && node.name.trimmed().isEmpty())
            faults << QStringLiteral("image neither named nor hidden: ") + what;
        if (markup.match(node.name).hasMatch() || markup.match(node.description).hasMatch())
            faults << QStringLiteral("markup: ") + what;
    }
    const QList<QWidget*> widgets = root->findChildren<QWidget*>() << root;
    for (QWidget* widget : widgets) {
        const QString text = shownText(widget).trimmed();
        if (!text.isEmpty() && widget->isVisibleTo(root) && !leftOut(widget, root) && !anyNode([&](const AccessibleNode& node) {
                return node.name.contains(text) || node.description.contains(text) || node.value.contains(text);
            }))
            faults << QStringLiteral("not said: %1 \"%2\"").arg(QString::fromLatin1(widget->metaObject()->className()), text);
    }
    const auto is = [](const char* wanted, const QString& text) { return !wanted || text == QString::fromUtf8(wanted); };
    for (const Said& said : table) {
        const QStringList wanted = QString::fromUtf8(said.states).split(u' ', Qt::SkipEmptyParts);
        if (!anyNode([&](const AccessibleNode& node) {
                const QStringList on = states(node.state);
                return node.role == said.role && is(said.name, node.name) && is(said.description, node.description)
                    && is(said.value, node.value) && std::ranges::all_of(wanted, [&](const QString& s) { return on.contains(s); });
            }))
            faults << QStringLiteral("missing: ") + AccessibleNode{said.role, QString::fromUtf8(said.name),
                QString::fromUtf8(said.description), QString::fromUtf8(said.value)}.line() + u' ' + QString::fromUtf8(said.states);
    }
    if (!faults.isEmpty())
        for (const AccessibleNode& node : tree)
            faults << QStringLiteral("in the tree: ") + node.line();
    return faults;
}

} // namespace hub::test
