#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace hub {

// The sidebar sections, in sidebar order. The raw value (toString) is the case name.
enum class HubSection { discover, plugIns, apps, free, freeTools, earlyAccess, library, updates, downloads, wishlist, account };

const QList<HubSection>& allHubSections();
QString toString(HubSection section); // also the section's id
std::optional<HubSection> hubSectionFromString(const QString& raw); // exact, case-sensitive
QString title(HubSection section);
QString symbol(HubSection section); // symbol image name

} // namespace hub
