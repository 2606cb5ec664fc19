#include "app/model/Catalog.h"

#include <array>

namespace hub::Catalog {

namespace {

struct Row {
    const char* id;
    ProductKind kind;
    const char* category;
    const char* formats;
};

constexpr const char* plugInFormats = "VST3, AU";
constexpr const char* withStandalone = "VST3, AU, Standalone";

constexpr std::array rows{
    Row{"tv-compressor", ProductKind::plugIn, "Dynamics", withStandalone},
    Row{"tv-limiter", ProductKind::plugIn, "Dynamics", plugInFormats},
    Row{"tv-gate", ProductKind::plugIn, "Dynamics", plugInFormats},
    Row{"tv-transient", ProductKind::plugIn, "Dynamics", plugInFormats},
    Row{"tv-equalizer", ProductKind::plugIn, "EQ & Saturation", plugInFormats},
    Row{"tv-saturator", ProductKind::plugIn, "EQ & Saturation", plugInFormats},
    Row{"tv-tape", ProductKind::plugIn, "EQ & Saturation", plugInFormats},
    Row{"tv-reverb", ProductKind::plugIn, "Time & Space", plugInFormats},
    Row{"tv-delay", ProductKind::plugIn, "Time & Space", plugInFormats},
    Row{"tv-chorus", ProductKind::plugIn, "Time & Space", plugInFormats},
    Row{"tv-bitcrusher", ProductKind::plugIn, "Creative & Character", plugInFormats},
    Row{"tv-lofi", ProductKind::plugIn, "Creative & Character", plugInFormats},
    Row{"tv-widener", ProductKind::plugIn, "Stereo & Imaging", plugInFormats},
    Row{"tv-panner", ProductKind::plugIn, "Stereo & Imaging", plugInFormats},
    Row{"tv-pitch", ProductKind::plugIn, "Pitch & Voice", plugInFormats},
    Row{"tv-vocoder", ProductKind::plugIn, "Pitch & Voice", plugInFormats},
    Row{"tv-synth", ProductKind::plugIn, "Instruments", withStandalone},
    Row{"tv-notes", ProductKind::app, "Productivity", "App"},
    Row{"tv-timer", ProductKind::app, "Productivity", "App"},
    Row{"tv-audio-switch", ProductKind::app, "Audio", "Menu bar app"},
    Row{"tv-breathe", ProductKind::app, "Health", "App"},
    Row{"tv-cleaner", ProductKind::app, "Utilities", "App"},
    Row{"tv-game", ProductKind::game, "Games", "Linux, Steam Deck"},
};

constexpr std::array shelves{"Instruments", "Dynamics", "EQ & Saturation", "Time & Space", "Stereo & Imaging",
    "Pitch & Voice", "Creative & Character", "Productivity", "Audio", "Utilities", "Health"};

size_t rank(const QString& category)
{
    for (size_t i = 0; i < shelves.size(); ++i) {
        if (category == QLatin1String(shelves[i]))
            return i;
    }
    return shelves.size();
}

} // namespace

const QHash<QString, CatalogEntry>& entries()
{
    static const QHash<QString, CatalogEntry> table = [] {
        QHash<QString, CatalogEntry> built;
        for (const Row& row : rows)
            built.insert(QString::fromLatin1(row.id), {row.kind, QString::fromUtf8(row.category), QString::fromUtf8(row.formats)});
        return built;
    }();
    return table;
}

CatalogEntry entry(const QString& id)
{
    const auto found = entries().constFind(id);
    if (found != entries().constEnd())
        return *found;
    return {ProductKind::plugIn, QStringLiteral("Plug-ins"), QString()};
}

bool shelfOrder(const QString& a, const QString& b)
{
    const size_t ra = rank(a);
    const size_t rb = rank(b);
    if (ra != rb)
        return ra < rb;
    return a < b;
}

} // namespace hub::Catalog
