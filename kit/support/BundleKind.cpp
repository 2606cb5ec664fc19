#include "kit/support/BundleKind.h"

#include <QDir>

namespace hub {

namespace {

// The plug-in folder under Library/Audio/Plug-Ins; empty for apps.
QString folderName(BundleKind kind)
{
    switch (kind) {
    case BundleKind::vst3: return QStringLiteral("VST3");
    case BundleKind::component: return QStringLiteral("Components");
    case BundleKind::clap: return QStringLiteral("CLAP");
    case BundleKind::vst: return QStringLiteral("VST");
    case BundleKind::app: break;
    }
    return {};
}

} // namespace

const QList<BundleKind>& BundleKind::allCases()
{
    static const QList<BundleKind> cases = {vst3, component, clap, vst, app};
    return cases;
}

std::optional<BundleKind> BundleKind::fromString(QStringView raw)
{
    for (BundleKind kind : allCases()) {
        if (raw == kind.toString())
            return kind;
    }
    return std::nullopt;
}

QStringView BundleKind::pathExtension(QStringView path)
{
    while (path.endsWith(u'/'))
        path.chop(1);
    const QStringView name = path.sliced(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QStringView() : name.sliced(dot + 1);
}

std::optional<BundleKind> BundleKind::fromPath(QStringView path)
{
    return fromString(pathExtension(path).toString().toLower());
}

QString BundleKind::toString() const
{
    switch (value_) {
    case vst3: return QStringLiteral("vst3");
    case component: return QStringLiteral("component");
    case clap: return QStringLiteral("clap");
    case vst: return QStringLiteral("vst");
    case app: return QStringLiteral("app");
    }
    return {};
}

QString BundleKind::label() const
{
    switch (value_) {
    case vst3: return QStringLiteral("VST3");
    case component: return QStringLiteral("Audio Unit");
    case clap: return QStringLiteral("CLAP");
    case vst: return QStringLiteral("VST");
    case app: return QStringLiteral("App");
    }
    return {};
}

QString BundleKind::applicationsDirectory(const QString& home)
{
    return QDir::cleanPath(home + QStringLiteral("/Applications"));
}

QString BundleKind::destinationDirectory(const QString& home, const QString& applications) const
{
    if (value_ == app)
        return applications;
    QString base = home;
    if (!base.endsWith(u'/'))
        base += u'/';
    return base + QStringLiteral("Library/Audio/Plug-Ins/") + folderName(*this);
}

std::optional<QString> BundleKind::systemDirectory() const
{
    if (value_ == app)
        return std::nullopt;
    return QStringLiteral("/Library/Audio/Plug-Ins/") + folderName(*this);
}

} // namespace hub
