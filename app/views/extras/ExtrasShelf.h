#pragma once

#include "app/views/kit/Shelf.h"
#include "kit/api/ExtrasItem.h"

namespace hub {

class AppModel;

// A titled keyboard grid of extras tiles, each of which opens its item's page;
// nothing at all without items. For the extras pages and any other screen that
// lists extras.
class ExtrasShelf : public Shelf {
    Q_OBJECT

public:
    ExtrasShelf(AppModel& model, const QString& title, const std::optional<QString>& subtitle,
        const QList<ExtrasItem>& items, std::function<void()> seeAll = {}, QWidget* parent = nullptr);
};

} // namespace hub
