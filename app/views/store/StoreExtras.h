#pragma once

#include "kit/api/ExtrasItem.h"

#include <QWidget>
#include <functional>
#include <optional>

namespace hub {

class AppModel;

// The store screens' shelf of catalog-extras items; nothing for no items.
namespace StoreExtras {

QWidget* shelf(AppModel& model, const QString& title, const std::optional<QString>& subtitle,
    const QList<ExtrasItem>& items, std::function<void()> seeAll = {});

} // namespace StoreExtras

} // namespace hub
