#pragma once

#include <QWidget>
#include <functional>
#include <optional>

namespace hub {

// The placeholder of a page with nothing to show: a large symbol, the title, the
// message and, when given, one prominent button.
class EmptyState : public QWidget {
    Q_OBJECT

public:
    struct Action {
        QString title;
        std::function<void()> run;
    };

    EmptyState(const QString& title, const QString& message, const QString& symbol,
        std::optional<Action> action = std::nullopt, QWidget* parent = nullptr);
};

} // namespace hub
