#include "tests/testkit/SealedResources.h"

#include "tests/testkit/BundleLayout.h"
#include "tests/testkit/EmbeddedSignature.h"
#include "tests/testkit/MachOImage.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <plist/plist.h>

#include <stdexcept>
#include <unistd.h>

namespace hub::test {

namespace {

struct Rule {
    QString pattern;
    bool plain = false; // written as <true/>: weight 1, no flags
    bool omit = false;
    bool optional = false;
    bool nested = false;
    double weight = 1;
};

const QList<Rule>& rules()
{
    static const QList<Rule> list{
        {QStringLiteral("^Resources/"), true},
        {QStringLiteral("^Resources/.*\\.lproj/"), false, false, true, false, 1000},
        {QStringLiteral("^Resources/.*\\.lproj/locversion.plist$"), false, true, false, false, 1100},
        {QStringLiteral("^Resources/Base\\.lproj/"), false, false, false, false, 1010},
        {QStringLiteral("^version.plist$"), true},
    };
    return list;
}

const QList<Rule>& rules2()
{
    static const QList<Rule> list{
        {QStringLiteral(".*\\.dSYM($|/)"), false, false, false, false, 11},
        {QStringLiteral("^(.*/)?\\.DS_Store$"), false, true, false, false, 2000},
        {QStringLiteral("^(Frameworks|SharedFrameworks|PlugIns|Plug-ins|XPCServices|Helpers|MacOS|Library/"
                        "(Automator|Spotlight|LoginItems))/"),
         false, false, false, true, 10},
        {QStringLiteral("^.*"), true},
        {QStringLiteral("^Info\\.plist$"), false, true, false, false, 20},
        {QStringLiteral("^PkgInfo$"), false, true, false, false, 20},
        {QStringLiteral("^Resources/"), false, false, false, false, 20},
        {QStringLiteral("^Resources/.*\\.lproj/"), false, false, true, false, 1000},
        {QStringLiteral("^Resources/.*\\.lproj/locversion.plist$"), false, true, false, false, 1100},
        {QStringLiteral("^Resources/Base\\.lproj/"), false, false, false, false, 1010},
        {QStringLiteral("^[^/]+$"), false, false, false, true, 10},
        {QStringLiteral("^embedded\\.provisionprofile$"), false, false, false, false, 20},
        {QStringLiteral("^version\\.plist$"), false, false, false, false, 20},
    };
    return list;
}

// The matching rule of greatest weight (the earlier one on a tie); none when nothing matches.
const Rule* match(const QList<Rule>& list, const QString& path)
{
    const Rule* best = nullptr;
    for (const Rule& rule : list) {
        if (QRegularExpression(rule.pattern).match(path).hasMatch() && (!best || rule.weight > best->weight))
            best = &rule;
    }
    return best;
}

plist_t rulesPlist(const QList<Rule>& list)
{
    QMap<QString, const Rule*> sorted;
    for (const Rule& rule : list)
        sorted.insert(rule.pattern, &rule);
    plist_t dict = plist_new_dict();
    for (const Rule* rule : sorted) {
        plist_t value;
        if (rule->plain) {
            value = plist_new_bool(1);
        } else {
            value = plist_new_dict();
            if (rule->nested)
                plist_dict_set_item(value, "nested", plist_new_bool(1));
            if (rule->omit)
                plist_dict_set_item(value, "omit", plist_new_bool(1));
            if (rule->optional)
                plist_dict_set_item(value, "optional", plist_new_bool(1));
            plist_dict_set_item(value, "weight", plist_new_real(rule->weight));
        }
        plist_dict_set_item(dict, rule->pattern.toUtf8().constData(), value);
    }
    return dict;
}

plist_t data(const QByteArray& bytes)
{
    return plist_new_data(bytes.constData(), uint64_t(bytes.size()));
}

bool isBundleFolder(const QFileInfo& info)
{
    static const QSet<QString> extensions{"app", "framework", "bundle", "plugin", "xpc", "appex",
                                          "vst3", "component", "clap", "vst"};
    return info.isDir() && !info.isSymLink() && extensions.contains(info.suffix().toLower());
}

bool isMachO(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4);
    return head == QByteArray::fromHex("cffaedfe") || head == QByteArray::fromHex("cefaedfe")
        || head == QByteArray::fromHex("cafebabe");
}

// The link's own text, as written.
QByteArray linkText(const QString& path)
{
    char buffer[4096];
    const ssize_t length = ::readlink(QFile::encodeName(path).constData(), buffer, sizeof buffer);
    if (length < 0)
        throw std::runtime_error("cannot read link " + path.toStdString());
    return QByteArray(buffer, int(length));
}

struct Seal {
    QMap<QString, plist_t> files, files2;
};

void walk(const QString& root, const QString& relativeDir, const QSet<QString>& excluded, Seal& seal)
{
    QDir dir(relativeDir.isEmpty() ? root : root + "/" + relativeDir);
    const auto entries = dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                           QDir::Name);
    for (const QFileInfo& info : entries) {
        const QString path = relativeDir.isEmpty() ? info.fileName() : relativeDir + "/" + info.fileName();
        if (excluded.contains(path) || path == QLatin1String("_CodeSignature") || path == QLatin1String("_NotarizationTicket"))
            continue;
        const Rule* rule2 = match(rules2(), path);
        if (!rule2 || rule2->omit)
            continue;
        if (info.isSymLink()) {
            plist_t entry = plist_new_dict();
            plist_dict_set_item(entry, "symlink", plist_new_string(linkText(info.filePath()).constData()));
            seal.files2.insert(path, entry);
            continue;
        }
        if (rule2->nested && (isBundleFolder(info) || (info.isFile() && isMachO(info.filePath())))) {
            const auto [cdhash, requirement] = SealedResources::nestedSeal(info.filePath());
            plist_t entry = plist_new_dict();
            plist_dict_set_item(entry, "cdhash", data(cdhash));
            plist_dict_set_item(entry, "requirement", plist_new_string(requirement.toUtf8().constData()));
            seal.files2.insert(path, entry);
            continue;
        }
        if (info.isDir()) {
            walk(root, path, excluded, seal);
            continue;
        }
        const QByteArray bytes = readBytes(info.filePath());
        const QByteArray sha1 = EmbeddedSignature::hash(EmbeddedSignature::sha1, bytes);
        const QByteArray sha256 = EmbeddedSignature::hash(EmbeddedSignature::sha256, bytes);
        plist_t entry2 = plist_new_dict();
        plist_dict_set_item(entry2, "hash", data(sha1));
        plist_dict_set_item(entry2, "hash2", data(sha256));
        if (rule2->optional)
            plist_dict_set_item(entry2, "optional", plist_new_bool(1));
        seal.files2.insert(path, entry2);

        const Rule* rule = match(rules(), path);
        if (rule && !rule->omit) {
            if (rule->optional) {
                plist_t entry = plist_new_dict();
                plist_dict_set_item(entry, "hash", data(sha1));
                plist_dict_set_item(entry, "optional", plist_new_bool(1));
                seal.files.insert(path, entry);
            } else {
                seal.files.insert(path, data(sha1));
            }
        }
    }
}

plist_t dictOf(const QMap<QString, plist_t>& entries)
{
    plist_t dict = plist_new_dict();
    for (auto it = entries.begin(); it != entries.end(); ++it)
        plist_dict_set_item(dict, it.key().toUtf8().constData(), it.value());
    return dict;
}

} // namespace

QByteArray SealedResources::codeResources(const QString& root, const QSet<QString>& excluded)
{
    Seal seal;
    walk(root, {}, excluded, seal);
    plist_t top = plist_new_dict();
    plist_dict_set_item(top, "files", dictOf(seal.files));
    plist_dict_set_item(top, "files2", dictOf(seal.files2));
    plist_dict_set_item(top, "rules", rulesPlist(rules()));
    plist_dict_set_item(top, "rules2", rulesPlist(rules2()));
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(top, &xml, &length);
    QByteArray out(xml, int(length));
    plist_to_xml_free(xml);
    plist_free(top);
    return out;
}

QPair<QByteArray, QString> SealedResources::nestedSeal(const QString& path)
{
    const QString executable = QFileInfo(path).isDir() ? BundleLayout::of(path).executable : path;
    const QByteArray signature = MachOImage::signature(MachOImage::slices(readBytes(executable)).value(0));
    if (signature.isEmpty())
        throw std::runtime_error("nested code is not signed: " + path.toStdString());
    QByteArray best;
    for (const QByteArray& cd : EmbeddedSignature::codeDirectoriesIn(signature))
        if (best.isEmpty() || EmbeddedSignature::hashTypeOf(cd) > EmbeddedSignature::hashTypeOf(best))
            best = cd;
    const QByteArray cdhash = EmbeddedSignature::cdhash(best);
    if (EmbeddedSignature::flagsOf(best) & EmbeddedSignature::adHocFlag)
        return {cdhash, QStringLiteral("cdhash H\"%1\"").arg(QString::fromLatin1(cdhash.toHex()))};
    return {cdhash,
            QStringLiteral("identifier \"%1\" and anchor apple generic and certificate 1[field.1.2.840.113635.100.6.2.6] "
                           "/* exists */ and certificate leaf[field.1.2.840.113635.100.6.1.13] /* exists */ and "
                           "certificate leaf[subject.OU] = %2")
                .arg(EmbeddedSignature::identifierOf(best), EmbeddedSignature::teamOf(best))};
}

} // namespace hub::test
