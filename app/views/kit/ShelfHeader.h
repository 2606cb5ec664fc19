#pragma once

#include <QWidget>
#include <functional>
#include <optional>

namespace hub {

// The head of a shelf: its bold title and optional subtitle, and "See All" on the
// trailing edge when there is more to see.
class ShelfHeader : public QWidget {
    Q_OBJECT

public:
    ShelfHeader(const QString& title, const std::optional<QString>& subtitle, std::function<void()> seeAll,
        QWidget* parent = nullptr);
};

} // namespace hub
