#include "app/model/HubSection.h"

#include <array>

namespace hub {

namespace {

struct SectionRow {
    HubSection section;
    const char* raw;
    const char* title;
    const char* symbol;
};

constexpr std::array rows{
    SectionRow{HubSection::discover, "discover", "Discover", "star"},
    SectionRow{HubSection::plugIns, "plugIns", "Plug-ins", "slider.horizontal.3"},
    SectionRow{HubSection::apps, "apps", "Apps", "macwindow"},
    SectionRow{HubSection::free, "free", "Free", "gift"},
    SectionRow{HubSection::freeTools, "freeTools", "Free Tools", "wrench.and.screwdriver"},
    SectionRow{HubSection::earlyAccess, "earlyAccess", "Early Access", "flask"},
    SectionRow{HubSection::library, "library", "Library", "square.stack.3d.up"},
    SectionRow{HubSection::updates, "updates", "Updates", "arrow.down.app"},
    SectionRow{HubSection::downloads, "downloads", "Downloads", "arrow.down.circle"},
    SectionRow{HubSection::wishlist, "wishlist", "Wishlist", "heart"},
    SectionRow{HubSection::account, "account", "Account", "person.crop.circle"},
};

const SectionRow& row(HubSection section)
{
    return rows[static_cast<size_t>(section)];
}

} // namespace

const QList<HubSection>& allHubSections()
{
    static const QList<HubSection> all = [] {
        QList<HubSection> list;
        for (const SectionRow& r : rows)
            list.append(r.section);
        return list;
    }();
    return all;
}

QString toString(HubSection section)
{
    return QString::fromLatin1(row(section).raw);
}

std::optional<HubSection> hubSectionFromString(const QString& raw)
{
    for (const SectionRow& r : rows) {
        if (raw == QLatin1String(r.raw))
            return r.section;
    }
    return std::nullopt;
}

QString title(HubSection section)
{
    return QString::fromLatin1(row(section).title);
}

QString symbol(HubSection section)
{
    return QString::fromLatin1(row(section).symbol);
}

} // namespace hub
