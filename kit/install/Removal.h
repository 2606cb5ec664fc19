#pragma once

#include "kit/install/InstalledItem.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

namespace hub {

// What an uninstall did with each item of a product.
struct Removal {
    // The product's own items that stayed, in order: open, or refused by the Trash.
    QList<InstalledItem> kept;
    // The names at which something other than the item's code was left in place because it
    // changed since install (another bundle, a link, even a dangling one); not kept.
    QStringList changed;
    // The names of the apps left in place because they run.
    QStringList open;
    // The name of each item the Trash refused, with the Trash's reason.
    QList<std::pair<QString, QString>> refused;
    // The names of the items moved to the Trash.
    QStringList moved;

    // What was left in place and why, one sentence per reason: "Left in place because they
    // changed since install: A.vst3, A.clap.", "Left in place because they are open: A.app.",
    // then "A.vst3, A.clap could not be moved to the Trash: <reason>." for each of the Trash's
    // reasons in order; joined by spaces, empty when nothing was left.
    QString leftText() const;
    bool operator==(const Removal&) const = default;
};

} // namespace hub
