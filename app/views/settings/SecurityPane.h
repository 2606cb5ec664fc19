#pragma once

#include "app/views/settings/SecurityStatements.h"

#include <QWidget>

namespace hub {

// The security statements. Inline, inside another scrolling page: each section's header
// and then its rows, all 10 pixels apart on the leading edge. On its own: a scrolling
// grouped form, one box per section.
class SecurityPane : public QWidget {
    Q_OBJECT

public:
    explicit SecurityPane(bool inlined, QWidget* parent = nullptr);
    SecurityPane(const QList<SecurityStatements::Section>& sections, bool inlined, QWidget* parent = nullptr);

    // One statement: its shield and its text, wrapped over as many lines as it needs.
    static QWidget* row(const SecurityStatements::Statement& statement, QWidget* parent = nullptr);
};

} // namespace hub
