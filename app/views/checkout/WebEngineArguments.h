#pragma once

#include <QByteArray>
#include <QString>

namespace hub {

// The web engine's own command line. The demo flavour reaches the devstore's hosts
// and accepts its keys through the arguments the devstore writes beside its
// deployment file (webengine.args, one a line); a release build adds nothing.
namespace WebEngineArguments {

// Adds them to the engine's flags; call before the first web engine object exists.
void applyDemo();
// The engine's flags with `lines` appended, each quoted when it holds a space.
QByteArray flags(const QByteArray& existing, const QString& lines);

} // namespace WebEngineArguments

} // namespace hub
