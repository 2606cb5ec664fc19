#pragma once

#include "devstore/FixtureArtifact.h"

#include <QJsonObject>
#include <QList>
#include <QString>

namespace hub::devstore {

// A product of the fixture store. Prices and variations are kept as the JSON the store
// sends; the first variation is the default one unless there is none.
struct FixtureProduct {
    enum class Icon { asset, web, none, foreign };

    QString id;
    QString name;
    QString tagline;
    QString description;
    Icon icon = Icon::asset;
    QList<QJsonObject> variations;
    bool hasDefaultVariation = true;
    QString version = QStringLiteral("1.0.0");
    QList<FixtureArtifact> artifacts;
    bool downloadsAbsent = false;
    bool demoOwns = false; // owned by the demo store account
    bool idOwns = false;   // owned through the demo Tavren ID only
};

} // namespace hub::devstore
