#include "tests/testkit/BundleSpec.h"

namespace hub::test {

QString extension(BundleSpec::Kind kind)
{
    switch (kind) {
    case BundleSpec::Kind::vst3: return QStringLiteral("vst3");
    case BundleSpec::Kind::component: return QStringLiteral("component");
    case BundleSpec::Kind::clap: return QStringLiteral("clap");
    case BundleSpec::Kind::vst: return QStringLiteral("vst");
    case BundleSpec::Kind::app: return QStringLiteral("app");
    case BundleSpec::Kind::framework: return QStringLiteral("framework");
    }
    return {};
}

QString BundleSpec::fileName() const
{
    return name + "." + extension(kind);
}

BundleSpec BundleSpec::plugIn(const QString& name, Kind kind)
{
    BundleSpec spec;
    spec.kind = kind;
    spec.name = name;
    spec.identifier = "com.tavren." + name.toLower().remove(' ');
    return spec;
}

BundleSpec BundleSpec::app(const QString& name)
{
    BundleSpec spec = plugIn(name, Kind::app);
    spec.nestedFolder = QStringLiteral("Helpers");
    return spec;
}

BundleSpec BundleSpec::framework(const QString& name)
{
    BundleSpec spec = plugIn(name, Kind::framework);
    spec.nestedFolder = QStringLiteral("Frameworks");
    spec.version = QStringLiteral("1");
    spec.shortVersion = QStringLiteral("1.0");
    return spec;
}

} // namespace hub::test
