#pragma once

#include "kit/install/InstalledItem.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

namespace hub {

// What an uninstall left where it was.
struct Removal {
    // Still in place as they were installed: the Trash refused them, or they run.
    QList<InstalledItem> kept;
    // The names of the items left in place because they changed since install, or run.
    QStringList changed;
    // The name of each item the Trash refused, with the Trash's reason.
    QList<std::pair<QString, QString>> refused;

    // "A.vst3, A.clap could not be moved to the Trash: <reason>." for each reason, in
    // order, joined by spaces; empty when the Trash refused nothing.
    QString refusedText() const;
    bool operator==(const Removal&) const = default;
};

} // namespace hub
