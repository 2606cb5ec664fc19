#include "app/views/settings/SecurityPane.h"

#include "app/views/kit/Accessibility.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/Theme.h"
#include "app/views/settings/FormGroup.h"
#include "app/views/settings/FormPage.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace hub {

SecurityPane::SecurityPane(bool inlined, QWidget* parent) : SecurityPane(SecurityStatements::current(), inlined, parent)
{
}

SecurityPane::SecurityPane(const QList<SecurityStatements::Section>& sections, bool inlined, QWidget* parent)
    : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    if (inlined) {
        outer->setSpacing(10);
        for (const SecurityStatements::Section& section : sections) {
            outer->addWidget(Labels::plain(section.header, TextStyle::headline, this));
            for (const SecurityStatements::Statement& statement : section.statements)
                outer->addWidget(row(statement, this));
        }
        return;
    }
    auto* page = new FormPage(QStringLiteral("Security"), this);
    for (const SecurityStatements::Section& section : sections) {
        FormGroup* group = page->add(new FormGroup(section.header));
        for (const SecurityStatements::Statement& statement : section.statements)
            group->addRow(row(statement));
    }
    outer->addWidget(page);
}

QWidget* SecurityPane::row(const SecurityStatements::Statement& statement, QWidget* parent)
{
    auto* row = new QWidget(parent);
    row->setObjectName(QStringLiteral("statement"));
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    // The row is as tall as its text at the width it gets, not at the narrowest one.
    line->setSizeConstraint(QLayout::SetNoConstraint);
    auto* shield = new QLabel(row);
    shield->setObjectName(SecurityStatements::symbol(statement.ok));
    shield->setPixmap(Symbols::pixmap(SecurityStatements::symbol(statement.ok), 16,
                                      statement.ok ? Theme::green() : Theme::systemOrange()));
    shield->setContentsMargins(0, 1, 0, 0);
    Accessibility::hide(shield); // the statement says it
    line->addWidget(shield, 0, Qt::AlignTop);
    QLabel* text = Labels::plain(statement.text, TextStyle::body, row);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    line->addWidget(text, 1);
    return row;
}

} // namespace hub
