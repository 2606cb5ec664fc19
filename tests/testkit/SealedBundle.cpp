#include "tests/testkit/SealedBundle.h"

#include "kit/support/PropertyList.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <stdexcept>

namespace hub::test {

namespace {

const QString sealPath = QStringLiteral("Contents/Seal");

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Seal {
    QString identifier;
    QString team;
    bool notarized = false;
    QByteArray digest;
};

std::optional<Seal> readSeal(const QString& bundle)
{
    QFile file(bundle + u'/' + sealPath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.size() < 4)
        return Seal{};
    return Seal{QString::fromUtf8(lines[0]), QString::fromUtf8(lines[1]), lines[2] == "notarized", lines[3]};
}

struct Code : CodeSigningService::StaticCode {
    QString path;
};
struct Compiled : CodeSigningService::Requirement {
    QString text;
};

} // namespace

QString SealedBundle::write(const QString& folder) const
{
    const QString bundle = folder + u'/' + name;
    QDir(bundle).removeRecursively();
    QByteArray plist = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
                       "<key>CFBundleIdentifier</key><string>" + identifier.toUtf8() + "</string>\n";
    if (version)
        plist += "<key>CFBundleVersion</key><string>" + version->toUtf8() + "</string>\n";
    plist += "</dict>\n</plist>\n";
    writeFile(bundle + QStringLiteral("/Contents/Info.plist"), plist);
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QString path = bundle + QStringLiteral("/Contents/") + it.key();
        writeFile(path, it.value());
        if (it.key().startsWith(QStringLiteral("MacOS/")))
            QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    }
    const QByteArray seal = identifier.toUtf8() + '\n' + team.toUtf8() + '\n' + (notarized ? "notarized" : "-") + '\n'
        + digest(bundle) + '\n';
    writeFile(bundle + u'/' + sealPath, seal);
    return bundle;
}

QByteArray SealedBundle::digest(const QString& bundle)
{
    QStringList paths;
    QDirIterator it(bundle, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString relative = QDir(bundle).relativeFilePath(it.next());
        if (relative != sealPath)
            paths << relative;
    }
    paths.sort();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& path : paths) {
        hash.addData(path.toUtf8() + '\0');
        hash.addData(readFile(bundle + u'/' + path) + '\0');
    }
    return hash.result().toHex();
}

std::optional<QString> SealedBundle::versionAt(const QString& bundle)
{
    static const QRegularExpression pattern(QStringLiteral("<key>CFBundleVersion</key><string>([^<]*)</string>"));
    const auto match = pattern.match(QString::fromUtf8(readFile(bundle + QStringLiteral("/Contents/Info.plist"))));
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1);
}

std::shared_ptr<const CodeSigningService::StaticCode> SealCodeSigning::createStaticCode(const QString& path) const
{
    if (onCreate)
        onCreate(path);
    if (!QFileInfo(path).isDir())
        return nullptr;
    auto code = std::make_shared<Code>();
    code->path = path;
    return code;
}

CodeSigningService::Validity SealCodeSigning::checkValidity(const StaticCode& code, uint32_t, const Requirement* requirement) const
{
    const QString& path = dynamic_cast<const Code&>(code).path;
    const auto seal = readSeal(path);
    if (!seal)
        return {errUnsigned, std::nullopt};
    if (seal->digest.isEmpty() || seal->digest != SealedBundle::digest(path))
        return {errSignatureFailed, QStringLiteral("a sealed resource is missing or invalid")};
    if (!requirement)
        return {};
    const QString& text = dynamic_cast<const Compiled&>(*requirement).text;
    const bool met = text == QStringLiteral("notarized")
        ? seal->notarized
        : !seal->team.isEmpty() && text.endsWith(u'"' + seal->team + u'"');
    return met ? Validity{} : Validity{errReqFailed, std::nullopt};
}

std::shared_ptr<const CodeSigningService::Requirement> SealCodeSigning::compileRequirement(const QString& text) const
{
    auto compiled = std::make_shared<Compiled>();
    compiled->text = text;
    return compiled;
}

std::optional<QVariantMap> SealCodeSigning::copySigningInformation(const StaticCode& code, uint32_t) const
{
    const QString& path = dynamic_cast<const Code&>(code).path;
    const auto seal = readSeal(path);
    if (!seal)
        return std::nullopt;
    QVariantMap info{{infoIdentifier(), seal->identifier}};
    if (!seal->team.isEmpty())
        info.insert(infoTeamIdentifier(), seal->team);
    if (const auto plist = PropertyList::parse(readFile(path + QStringLiteral("/Contents/Info.plist"))))
        info.insert(infoPList(), plist->toMap());
    return info;
}

std::optional<QString> SealCodeSigning::statusMessage(int32_t) const { return std::nullopt; }

} // namespace hub::test
