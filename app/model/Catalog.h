#pragma once

#include "app/model/CatalogEntry.h"

#include <QHash>

namespace hub {

// The built-in table of product kinds, categories and formats, keyed by store
// product id, and the order of the category shelves. Fixed at build time.
namespace Catalog {

const QHash<QString, CatalogEntry>& entries();
// The entry of exactly that id; an unknown id is a plug-in in category "Plug-ins"
// with no formats.
CatalogEntry entry(const QString& id);
// Listed categories first, in shelf order; then the others by plain text order.
bool shelfOrder(const QString& a, const QString& b);

} // namespace Catalog

} // namespace hub
