#pragma once

#include "devstore/FixtureProduct.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>
#include <QList>
#include <QString>

namespace hub::devstore {

// The fixture products in storefront order, and the one bundle.
namespace FixtureCatalog {

const QList<FixtureProduct>& products();
const FixtureProduct* find(const QString& id);
QStringList featured();
// The bundle, with its products given as full storefront objects by the caller.
QJsonObject bundle(const QJsonArray& products);
// A few lines of release notes for a version.
QString releaseNotes(const FixtureProduct& product, const QString& version);

} // namespace FixtureCatalog

} // namespace hub::devstore
