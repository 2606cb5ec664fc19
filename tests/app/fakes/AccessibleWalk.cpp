#include "tests/app/fakes/AccessibleWalk.h"

#include "app/views/kit/Accessibility.h"
#include "app/views/kit/ElidedLabel.h"

#include <QAbstractButton>
#include <QAccessibleValueInterface>
#include <QLabel>
#include <QMetaEnum>
#include <QRegularExpression>
#include <QWidget>

namespace hub::test {

namespace {

void walk(QAccessibleInterface* node, QList<AccessibleNode>& into, int depth)
{
    if (!node || !node->isValid() || depth > 64)
        return;
    const QAccessible::State state = node->state();
    if (state.invisible)
        return;
    AccessibleNode read;
    read.role = node->role();
    read.name = node->text(QAccessible::Name);
    read.description = node->text(QAccessible::Description);
    read.value = node->text(QAccessible::Value);
    read.state = state;
    read.object = node->object();
    if (QAccessibleValueInterface* value = node->valueInterface()) {
        read.current = value->currentValue().toDouble();
        read.minimum = value->minimumValue().toDouble();
        read.maximum = value->maximumValue().toDouble();
    }
    into.append(read);
    for (int i = 0; i < node->childCount(); ++i)
        walk(node->child(i), into, depth + 1);
}

QString states(const QAccessible::State& state)
{
    QStringList on;
    if (state.focusable)
        on << QStringLiteral("focusable");
    if (state.focused)
        on << QStringLiteral("focused");
    if (state.disabled)
        on << QStringLiteral("disabled");
    if (state.checked)
        on << QStringLiteral("checked");
    if (state.selected)
        on << QStringLiteral("selected");
    if (state.busy)
        on << QStringLiteral("busy");
    return on.join(u' ');
}

// The text a widget shows on screen, when it is text.
QString shownText(const QWidget* widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->textFormat() == Qt::RichText ? QString() : label->text();
    if (const auto* label = qobject_cast<const ElidedLabel*>(widget))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    return {};
}

// Whether `widget` or a parent under `root` is left out of the tree on purpose.
bool leftOut(const QWidget* widget, const QWidget* root)
{
    for (const QWidget* up = widget; up && up != root; up = up->parentWidget())
        if (Accessibility::isHidden(up))
            return true;
    return Accessibility::isHidden(root);
}

const QRegularExpression& markup()
{
    static const QRegularExpression tag(QStringLiteral("<[a-zA-Z/][^>]*>"));
    return tag;
}

} // namespace

QString AccessibleNode::line() const
{
    const QString role = QString::fromLatin1(QMetaEnum::fromType<QAccessible::Role>().valueToKey(this->role));
    QString text = QStringLiteral("%1 \"%2\"").arg(role, name);
    if (!description.isEmpty())
        text += QStringLiteral(" (%1)").arg(description);
    if (!value.isEmpty())
        text += QStringLiteral(" = ") + value;
    if (current)
        text += QStringLiteral(" %1 in %2..%3").arg(*current).arg(minimum.value_or(0)).arg(maximum.value_or(0));
    const QString on = states(state);
    if (!on.isEmpty())
        text += QStringLiteral(" [%1]").arg(on);
    return text;
}

bool AccessibleNode::says(const QString& text) const
{
    return name.contains(text) || description.contains(text) || value.contains(text);
}

QList<AccessibleNode> accessibleTree(QWidget* root)
{
    QList<AccessibleNode> tree;
    walk(QAccessible::queryAccessibleInterface(root), tree, 0);
    return tree;
}

QString accessibleDump(const QList<AccessibleNode>& tree)
{
    QStringList lines;
    for (const AccessibleNode& node : tree)
        lines << node.line();
    return lines.join(u'\n');
}

QStringList accessibleFaults(QWidget* root)
{
    const QList<AccessibleNode> tree = accessibleTree(root);
    QStringList faults;
    for (const AccessibleNode& node : tree) {
        const auto* widget = qobject_cast<QWidget*>(node.object);
        if (widget && !widget->isVisibleTo(root) && widget != root)
            continue;
        const QString what = (widget ? QString::fromLatin1(widget->metaObject()->className()) + u' ' : QString()) + node.line();
        if (node.state.focusable && node.name.trimmed().isEmpty())
            faults << QStringLiteral("unnamed: ") + what;
        if (node.role == QAccessible::Graphic && node.name.trimmed().isEmpty())
            faults << QStringLiteral("image neither named nor hidden: ") + what;
        if (markup().match(node.name).hasMatch() || markup().match(node.description).hasMatch())
            faults << QStringLiteral("markup: ") + what;
    }
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : std::as_const(widgets)) {
        const QString text = shownText(widget).trimmed();
        if (text.isEmpty() || !widget->isVisibleTo(root) || leftOut(widget, root))
            continue;
        const bool said = std::any_of(tree.begin(), tree.end(), [&](const AccessibleNode& node) { return node.says(text); });
        if (!said)
            faults << QStringLiteral("not said: %1 \"%2\"").arg(QString::fromLatin1(widget->metaObject()->className()), text);
    }
    return faults;
}

QStringList missing(const QList<AccessibleNode>& tree, const QList<Said>& table)
{
    QStringList lines;
    for (const Said& said : table) {
        const QStringList wanted = QString::fromUtf8(said.states).split(u' ', Qt::SkipEmptyParts);
        const bool found = std::any_of(tree.begin(), tree.end(), [&](const AccessibleNode& node) {
            const QStringList on = states(node.state).split(u' ', Qt::SkipEmptyParts);
            return node.role == said.role && node.name == QString::fromUtf8(said.name)
                && (!said.description || node.description == QString::fromUtf8(said.description))
                && (!said.value || node.value == QString::fromUtf8(said.value))
                && std::all_of(wanted.begin(), wanted.end(), [&](const QString& state) { return on.contains(state); });
        });
        if (!found) {
            const AccessibleNode absent{said.role, QString::fromUtf8(said.name), QString::fromUtf8(said.description),
                QString::fromUtf8(said.value)};
            lines << absent.line() + QStringLiteral(" [%1]").arg(QString::fromUtf8(said.states));
        }
    }
    return lines;
}

} // namespace hub::test
