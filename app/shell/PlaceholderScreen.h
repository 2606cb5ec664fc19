#pragma once

#include <QWidget>

namespace hub {

// A screen that is not built yet: its name and one line saying what it will show.
// Also the centred empty state of a page that cannot be found.
class PlaceholderScreen : public QWidget {
    Q_OBJECT
public:
    PlaceholderScreen(const QString& title, const QString& message, QWidget* parent = nullptr);
};

} // namespace hub
