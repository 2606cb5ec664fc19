#include "kit/codesign/SealedResources.h"

#include "kit/codesign/CodeHash.h"
#include "kit/codesign/CodeSignatureFault.h"
#include "kit/codesign/MachOFile.h"
#include "kit/support/ParallelFor.h"
#include "kit/codesign/SymbolicLink.h"
#include "kit/security/CodeSigningService.h"
#include "kit/support/PropertyList.h"
#include "kit/support/ReadOnlyFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QVariantMap>
#include <fcntl.h>
#include <optional>
#include <system_error>
#include <unistd.h>

namespace hub {

namespace {

using Service = CodeSigningService;

struct Rule {
    QRegularExpression pattern;
    int weight = 1;
    bool omit = false;
    bool optional = false;
    bool nested = false;
};

struct SealedFile {
    QString relative;
    QString absolute;
    QVariant seal;
};

[[noreturn]] void badResource(const QString& text)
{
    CodeSignatureFault::raise(Service::errBadResource, QStringLiteral("a sealed resource is missing or invalid: ") + text);
}

// The digest of a sealed file, read a window at a time rather than mapped whole, so
// memory stays flat however large the resources are.
QByteArray digestOfFile(uint8_t type, const QString& path)
{
    // A link, FIFO or device put in the file's place meanwhile is refused, not followed or waited on.
    try {
        if (const auto file = ReadOnlyFile::openAt(AT_FDCWD, QFile::encodeName(path)))
            return CodeHash::digestOfFile(type, *file);
    } catch (const std::system_error&) {
    }
    CodeSignatureFault::raise(Service::errBadResource, QStringLiteral("cannot read ") + path);
}

QList<Rule> readRules(const QVariant& value)
{
    if (value.typeId() != QMetaType::QVariantMap)
        CodeSignatureFault::raise(Service::errResourcesInvalid, QStringLiteral("the sealed resource list has no rules"));
    QList<Rule> rules;
    const QVariantMap map = value.toMap();
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        Rule rule;
        rule.pattern.setPattern(it.key());
        if (!rule.pattern.isValid())
            CodeSignatureFault::raise(Service::errResourceRulesInvalid, QStringLiteral("a resource rule is invalid: ") + it.key());
        if (it->typeId() == QMetaType::Bool) {
            if (!it->toBool())
                continue;
        } else if (it->typeId() == QMetaType::QVariantMap) {
            const QVariantMap options = it->toMap();
            rule.weight = options.value(QStringLiteral("weight"), 1).toInt();
            rule.omit = options.value(QStringLiteral("omit")).toBool();
            rule.optional = options.value(QStringLiteral("optional")).toBool();
            rule.nested = options.value(QStringLiteral("nested")).toBool();
        } else {
            CodeSignatureFault::raise(Service::errResourceRulesInvalid, QStringLiteral("a resource rule is invalid: ") + it.key());
        }
        rules.append(rule);
    }
    return rules;
}

// The heaviest rule that matches the path; the first of equals.
const Rule* ruleFor(const QList<Rule>& rules, const QString& path)
{
    const Rule* best = nullptr;
    for (const Rule& rule : rules) {
        if ((!best || rule.weight > best->weight) && rule.pattern.match(path).hasMatch())
            best = &rule;
    }
    return best;
}


bool isInside(const QString& path, const QString& root)
{
    return path == root || path.startsWith(root + u'/');
}

// The walk over a bundle's files: each entry is sorted into a link, a folder (nested code or more
// files) or a file; sealed files are hashed afterwards, several at a time; then every sealed path
// must have been seen.
class Walk {
public:
    Walk(const QString& bundle, const QString& resourceRoot, const QSet<QString>& bound, const QVariantMap& files,
         const QList<Rule>& rules, uint32_t flags, const SealedResources::NestedCode& nestedCode)
        : bundle_(QDir::cleanPath(bundle)), resourceRoot_(QDir::cleanPath(resourceRoot)), bound_(bound), files_(files),
          rules_(rules), flags_(flags), nestedCode_(nestedCode)
    {
    }

    void run()
    {
        visitFolder(resourceRoot_, QString());
        hashSealedFiles();
        checkNothingMissing();
    }

private:
    bool strict() const { return flags_ & Service::strictValidate; }

    void visitFolder(const QString& directory, const QString& prefix)
    {
        const auto entries = QDir(directory).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                                           QDir::Name);
        for (const QFileInfo& entry : entries) {
            const QString relative = prefix + entry.fileName();
            if (bound_.contains(relative))
                continue;
            if (relative == SealedResources::signatureFolder)
                checkSignatureFolder(entry);
            else if (relative == SealedResources::ticketFile && entry.isFile() && !entry.isSymLink())
                continue; // stapled after signing, and checked on its own
            else
                visitEntry(entry, relative);
        }
    }

    void visitEntry(const QFileInfo& entry, const QString& relative)
    {
        const Rule* rule = ruleFor(rules_, relative);
        if (entry.isSymLink())
            visitLink(entry, relative, rule);
        else if (entry.isDir())
            visitSubfolder(entry, relative, rule);
        else if (entry.isFile())
            visitFile(entry, relative, rule);
        else
            CodeSignatureFault::raise(Service::errResourceNotSupported,
                                      QStringLiteral("a resource is not a file, folder or link: ") + relative);
    }

    // The signature's own folder holds the sealed resource list and nothing else.
    void checkSignatureFolder(const QFileInfo& folder) const
    {
        if (!strict())
            return;
        if (folder.isSymLink() || !folder.isDir())
            badResource(folder.fileName() + QStringLiteral(" is not a folder"));
        const auto entries = QDir(folder.filePath()).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo& entry : entries) {
            if (entry.fileName() != SealedResources::resourceListName)
                badResource(folder.fileName() + u'/' + entry.fileName() + QStringLiteral(" is not part of the signature"));
        }
    }

    void visitLink(const QFileInfo& entry, const QString& relative, const Rule* rule)
    {
        // A link out of the bundle is refused even where the rules leave it unsealed.
        checkLinkStaysInside(entry, relative);
        if (!rule || rule->omit)
            return;
        checkLink(entry, relative);
    }

    void visitSubfolder(const QFileInfo& entry, const QString& relative, const Rule* rule)
    {
        if (rule && !rule->omit && rule->nested && entry.fileName().lastIndexOf(u'.') > 0)
            checkNested(entry.absoluteFilePath(), relative);
        else
            visitFolder(entry.absoluteFilePath(), relative + u'/');
    }

    void visitFile(const QFileInfo& entry, const QString& relative, const Rule* rule)
    {
        if (!rule || rule->omit)
            return;
        if (rule->nested && MachOFile::isMachOFile(entry.absoluteFilePath()))
            checkNested(entry.absoluteFilePath(), relative);
        else if (auto seal = sealOf(relative))
            sealed_.append({relative, entry.absoluteFilePath(), *seal});
    }

    // The seal of a path, or nothing when the path is not sealed (refused under strict checking).
    std::optional<QVariant> sealOf(const QString& relative)
    {
        const auto it = files_.constFind(relative);
        if (it == files_.constEnd()) {
            if (strict())
                badResource(relative + QStringLiteral(" was added and is not sealed"));
            return std::nullopt;
        }
        seen_.insert(relative);
        return *it;
    }

    static QString linkText(const QFileInfo& entry, const QString& relative)
    {
        const auto text = SymbolicLink::text(entry.absoluteFilePath());
        if (!text)
            badResource(QStringLiteral("cannot read the link ") + relative);
        return *text;
    }

    void checkLinkStaysInside(const QFileInfo& entry, const QString& relative) const
    {
        if (!(flags_ & Service::restrictSymlinks))
            return;
        const QString target = linkText(entry, relative);
        const QString lexical = QDir::cleanPath(entry.absolutePath() + u'/' + target);
        const QString resolved = entry.canonicalFilePath();
        const QString root = QFileInfo(bundle_).canonicalFilePath();
        if (QDir::isAbsolutePath(target) || !isInside(lexical, bundle_) || (!resolved.isEmpty() && !isInside(resolved, root)))
            CodeSignatureFault::raise(Service::errInvalidSymlink,
                                      QStringLiteral("the link ") + relative + QStringLiteral(" points outside the bundle"));
    }

    void checkLink(const QFileInfo& entry, const QString& relative)
    {
        const QString target = linkText(entry, relative);
        const auto seal = sealOf(relative);
        if (!seal)
            return;
        const QVariantMap map = seal->toMap();
        if (!map.contains(QStringLiteral("symlink")))
            badResource(relative + QStringLiteral(" was replaced by a link"));
        if (map.value(QStringLiteral("symlink")).toString() != target)
            badResource(QStringLiteral("the link ") + relative + QStringLiteral(" was changed"));
    }

    void checkNested(const QString& path, const QString& relative)
    {
        const auto seal = sealOf(relative);
        if (!seal)
            return;
        const QByteArray expected = seal->toMap().value(QStringLiteral("cdhash")).toByteArray();
        if (expected.size() < 20)
            CodeSignatureFault::raise(Service::errBadNestedCode, QStringLiteral("nested code is not sealed by hash: ") + relative);
        QList<QByteArray> hashes;
        try {
            hashes = nestedCode_(path);
        } catch (const CodeSignatureFault& fault) {
            const int32_t status = fault.status == Service::errUnsigned ? Service::errUnsignedNestedCode : Service::errBadNestedCode;
            CodeSignatureFault::raise(status, QStringLiteral("nested code ") + relative + QStringLiteral(": ") + fault.text);
        }
        for (const QByteArray& hash : hashes) {
            if (hash.left(20) == expected.left(20))
                return;
        }
        CodeSignatureFault::raise(Service::errBadNestedCode,
                                  QStringLiteral("nested code ") + relative + QStringLiteral(" does not match its seal"));
    }

    // Hashes the sealed files, several at a time.
    void hashSealedFiles() const
    {
        parallelFor(size_t(sealed_.size()), [this](size_t i) {
            const SealedFile& file = sealed_.at(qsizetype(i));
            QByteArray expected;
            uint8_t type = 2;
            if (file.seal.typeId() == QMetaType::QByteArray) {
                expected = file.seal.toByteArray();
                type = 1;
            } else {
                const QVariantMap map = file.seal.toMap();
                if (map.contains(QStringLiteral("symlink")) || map.contains(QStringLiteral("cdhash")))
                    badResource(file.relative + QStringLiteral(" is sealed as a link or nested code but is a file"));
                expected = map.value(QStringLiteral("hash2")).toByteArray();
                if (expected.isEmpty()) {
                    expected = map.value(QStringLiteral("hash")).toByteArray();
                    type = 1;
                }
            }
            if (expected.size() != qsizetype(CodeHash::size(type)))
                badResource(file.relative + QStringLiteral(" has no usable seal"));
            if (digestOfFile(type, file.absolute) != expected)
                badResource(file.relative + QStringLiteral(" was modified"));
        });
    }

    // Every sealed path was found, unless its seal calls it optional.
    void checkNothingMissing() const
    {
        for (auto it = files_.constBegin(); it != files_.constEnd(); ++it) {
            if (!seen_.contains(it.key()) && !(it->typeId() == QMetaType::QVariantMap && it->toMap().value(QStringLiteral("optional")).toBool()))
                badResource(it.key() + QStringLiteral(" is missing"));
        }
    }

    const QString bundle_;
    const QString resourceRoot_;
    const QSet<QString>& bound_;
    const QVariantMap& files_;
    const QList<Rule>& rules_;
    const uint32_t flags_;
    const SealedResources::NestedCode& nestedCode_;
    QSet<QString> seen_;
    QList<SealedFile> sealed_;
};

} // namespace

void SealedResources::verify(const QString& bundle, const QString& resourceRoot, const QSet<QString>& bound,
                             const QByteArray& codeResources, uint32_t flags, const NestedCode& nestedCode)
{
    const auto plist = PropertyList::parse(codeResources);
    if (!plist || plist->typeId() != QMetaType::QVariantMap)
        CodeSignatureFault::raise(Service::errResourcesInvalid, QStringLiteral("the sealed resource list is not a dictionary"));
    const QVariantMap envelope = plist->toMap();
    const QVariant files = envelope.value(QStringLiteral("files2"));
    if (files.typeId() != QMetaType::QVariantMap) {
        if (envelope.contains(QStringLiteral("files")))
            CodeSignatureFault::raise(Service::errWeakResourceEnvelope, QStringLiteral("the sealed resource list uses the obsolete format"));
        CodeSignatureFault::raise(Service::errResourcesInvalid, QStringLiteral("the sealed resource list has no files"));
    }
    const QVariantMap fileMap = files.toMap();
    const QList<Rule> rules = readRules(envelope.value(QStringLiteral("rules2")));
    Walk(bundle, resourceRoot, bound, fileMap, rules, flags, nestedCode).run();
}

} // namespace hub
