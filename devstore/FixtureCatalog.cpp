#include "devstore/FixtureCatalog.h"

#include <QJsonArray>
#include <cmath>

namespace hub::devstore {

namespace {

using Kind = test::BundleSpec::Kind;
using Container = FixtureArtifact::Container;

QJsonObject prices(double eur)
{
    return {{"EUR", eur}, {"USD", std::round(eur * 1.1)}, {"GBP", std::round(eur * 0.87)}};
}

QJsonObject variation(const QString& id, const QString& name, QJsonObject price, QJsonObject original = prices(0),
                      bool discount = false, const QString& type = QStringLiteral("OneOff"), const QString& cycle = {})
{
    QJsonObject recurrence{{"type", type}};
    if (!cycle.isEmpty())
        recurrence.insert("cycleLength", cycle);
    return {{"id", id}, {"name", name}, {"originalPrice", original}, {"price", price}, {"hasDiscount", discount},
            {"recurrence", recurrence}};
}

QJsonObject perpetual(const QString& id, double eur)
{
    return variation(id + QStringLiteral("-licence"), QStringLiteral("Licence"), prices(eur), prices(eur));
}

QJsonObject subscription(const QString& id, const QString& cycle, double eur)
{
    return variation(id + u'-' + cycle.toLower(), QStringLiteral("Subscription"), prices(eur), prices(eur), false,
                     QStringLiteral("Recurring"), cycle);
}

FixtureArtifact mac(Container container, QList<Kind> bundles)
{
    FixtureArtifact artifact;
    artifact.container = container;
    artifact.bundles = std::move(bundles);
    return artifact;
}

FixtureArtifact other(const QString& platform)
{
    FixtureArtifact artifact;
    artifact.platform = platform;
    return artifact;
}

FixtureProduct product(const QString& id, const QString& name, const QString& tagline, QList<QJsonObject> variations,
                       QList<FixtureArtifact> artifacts, bool demoOwns = false)
{
    FixtureProduct p;
    p.id = id;
    p.name = name;
    p.tagline = tagline;
    p.description = name + QStringLiteral(" is part of the Tavren line of audio tools. ") + tagline
            + QStringLiteral(".\n\nIt runs in every host that loads VST3, AU or CLAP plug-ins, with presets for common jobs.");
    p.variations = std::move(variations);
    p.artifacts = std::move(artifacts);
    p.demoOwns = demoOwns;
    return p;
}

QList<FixtureProduct> table()
{
    const QList<Kind> plugIn{Kind::vst3, Kind::component};
    QList<FixtureProduct> list;
    list << product("tv-compressor", "TV Compressor", "A warm bus compressor", {perpetual("tv-compressor", 49)},
                    {mac(Container::zip, {Kind::vst3, Kind::component, Kind::clap})}, true);
    list << product("tv-limiter", "TV Limiter", "A transparent brickwall limiter",
                    {variation("tv-limiter-licence", "Licence", prices(39), prices(59), true)},
                    {mac(Container::pkg, plugIn)}, true);
    list << product("tv-gate", "TV Gate", "A fast noise gate", {perpetual("tv-gate", 29)}, {mac(Container::dmg, plugIn)}, true);
    list << product("tv-transient", "TV Transient", "Shape attack and sustain",
                    {subscription("tv-transient", "Month", 5), subscription("tv-transient", "Year", 49)},
                    {mac(Container::zip, plugIn)});
    list << product("tv-equalizer", "TV Equalizer", "A surgical parametric equaliser", {perpetual("tv-equalizer", 59)},
                    {mac(Container::zip, plugIn), [] {
                         FixtureArtifact universal = mac(Container::pkg, {Kind::vst3, Kind::component});
                         universal.platform = QStringLiteral("Universal");
                         return universal;
                     }()},
                    true);
    list << product("tv-saturator", "TV Saturator", "Tube and tape colour", {perpetual("tv-saturator", 35)},
                    {mac(Container::zip, plugIn)});
    list << product("tv-tape", "TV Tape", "A tape machine in a box",
                    {variation("tv-tape-licence", "Licence", {{"USD", 29}}, {{"USD", 29}})}, {mac(Container::zip, plugIn)});
    list << product("tv-reverb", "TV Reverb", "Rooms, halls and plates", {perpetual("tv-reverb", 69)},
                    {mac(Container::zip, plugIn)}, true);
    list.last().version = QStringLiteral("1.4.0");
    list << product("tv-delay", "TV Delay", "Tape and digital echoes", {perpetual("tv-delay", 45)}, {[] {
                        FixtureArtifact scripted = mac(Container::pkg, {Kind::vst3, Kind::component});
                        scripted.scripts = true;
                        return scripted;
                    }()},
                    true);
    list << product("tv-chorus", "TV Chorus", "Lush modulation",
                    {variation("tv-chorus-licence", "Licence", prices(0), prices(25), true)}, {mac(Container::zip, plugIn)});
    list << product("tv-bitcrusher", "TV Bitcrusher", "Lo-fi destruction", {perpetual("tv-bitcrusher", 19)}, {[] {
                        FixtureArtifact broken = mac(Container::zip, {Kind::vst3});
                        broken.unsignedBundle = true;
                        return broken;
                    }()},
                    true);
    list << product("tv-lofi", "TV Lo-Fi", "Vinyl and cassette character", {perpetual("tv-lofi", 29)},
                    {other("Windows"), other("macOS")}, true);
    list << product("tv-widener", "TV Widener", "Stereo width without phase trouble", {perpetual("tv-widener", 19)},
                    {mac(Container::dmg, plugIn)});
    list << product("tv-panner", "TV Panner", "Automatic panning",
                    {variation("tv-panner-free", "Free", prices(0), QJsonObject())}, {mac(Container::zip, plugIn)});
    list << product("tv-pitch", "TV Pitch", "Natural pitch correction", {perpetual("tv-pitch", 79)}, {});
    list.last().downloadsAbsent = true;
    list << product("tv-vocoder", "TV Vocoder", "A classic channel vocoder", {perpetual("tv-vocoder", 89)},
                    {mac(Container::zip, plugIn)});
    list.last().idOwns = true;
    list << product("tv-synth", "TV Synth", "A polyphonic analogue synthesiser",
                    {perpetual("tv-synth", 129), subscription("tv-synth", "Month", 9)}, {mac(Container::pkg, plugIn)});
    list << product("tv-notes", "TV Notes", "Session notes for musicians", {perpetual("tv-notes", 15)},
                    {mac(Container::dmg, {Kind::app})}, true);
    list << product("tv-timer", "TV Timer", "A timer for practice",
                    {variation("tv-timer-free", "Free", prices(0), QJsonObject())}, {mac(Container::zip, {Kind::app})});
    list << product("tv-audio-switch", "TV Audio Switch", "Switch outputs from the menu bar",
                    {perpetual("tv-audio-switch", 9)}, {mac(Container::zip, {Kind::app})});
    list << product("tv-breathe", "TV Breathe", "Breaks for long sessions", {subscription("tv-breathe", "Month", 4)},
                    {mac(Container::dmg, {Kind::app})});
    list << product("tv-cleaner", "TV Cleaner", "Tidy old plug-in caches", {}, {mac(Container::zip, {Kind::app})}, true);
    list.last().hasDefaultVariation = false;
    list << product("tv-game", "TV Game", "A rhythm game",
                    {variation("tv-game-free", "Free", prices(0), QJsonObject())}, {other("Linux")});
    list.last().idOwns = true;
    list << product("tv-legacy", "TV Legacy", "The old VST2 classic", {perpetual("tv-legacy", 10)},
                    {mac(Container::zip, {Kind::vst}), other("unknown")});
    list << product("tv-hidden", "TV Hidden", "Not for sale", {}, {mac(Container::zip, plugIn)});
    list.last().hasDefaultVariation = false;

    // Icons: two on the web host, one absent, one on a host the hub does not allow.
    for (FixtureProduct& p : list) {
        if (p.id == u"tv-compressor" || p.id == u"tv-panner")
            p.icon = FixtureProduct::Icon::web;
        else if (p.id == u"tv-legacy")
            p.icon = FixtureProduct::Icon::none;
        else if (p.id == u"tv-lofi")
            p.icon = FixtureProduct::Icon::foreign;
    }
    return list;
}

} // namespace

const QList<FixtureProduct>& FixtureCatalog::products()
{
    static const QList<FixtureProduct> list = table();
    return list;
}

const FixtureProduct* FixtureCatalog::find(const QString& id)
{
    for (const FixtureProduct& p : products()) {
        if (p.id == id)
            return &p;
    }
    return nullptr;
}

QStringList FixtureCatalog::featured()
{
    return {"tv-reverb", "tv-compressor", "tv-synth", "tv-saturator", "tv-widener"};
}

QJsonObject FixtureCatalog::bundle(const QJsonArray& products)
{
    return {{"id", "tv-dynamics-bundle"},
            {"name", "TV Dynamics Bundle"},
            {"tagline", "Compressor, limiter and gate together"},
            {"description", "The three dynamics processors of the Tavren line."},
            {"owned", false},
            {"partial", true},
            {"products", products},
            {"defaultVariation", perpetual("tv-dynamics-bundle", 99)},
            {"variations", QJsonArray{perpetual("tv-dynamics-bundle", 99)}}};
}

QString FixtureCatalog::releaseNotes(const FixtureProduct& product, const QString& version)
{
    return QStringLiteral("%1 %2\n\n- Lower CPU use on Apple silicon.\n- New presets from the factory library.\n"
                          "- Fixed a crash when the host changed the sample rate while playing.\n"
                          "- The interface scales to the window.\n- Smaller fixes and better wording.")
            .arg(product.name, version);
}

} // namespace hub::devstore
