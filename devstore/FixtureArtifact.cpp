#include "devstore/FixtureArtifact.h"

namespace hub::devstore {

QString FixtureArtifact::extension() const
{
    switch (container) {
    case Container::zip: return QStringLiteral("zip");
    case Container::pkg: return QStringLiteral("pkg");
    case Container::dmg: return QStringLiteral("dmg");
    }
    return {};
}

QString FixtureArtifact::keyPart() const
{
    return platform.toLower() + u'-' + extension();
}

} // namespace hub::devstore
