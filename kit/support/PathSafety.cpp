#include "kit/support/PathSafety.h"

#include "kit/support/BundleKind.h"
#include "kit/support/InstallError.h"
#include "kit/support/SymlinkResolver.h"

#include <QFile>
#include <QStringList>
#include <filesystem>
#include <limits>
#include <memory>
#include <sys/stat.h>
#include <unicode/ubrk.h>
#include <unistd.h>
#include <vector>

namespace hub {

namespace {

namespace fs = std::filesystem;

constexpr qsizetype maxNameCharacters = 200;
constexpr qsizetype maxNameBytes = 240;
constexpr qsizetype maxBundleNameCharacters = 255;

qsizetype utf8Length(QStringView text) { return text.toUtf8().size(); }

// The ends of the text's grapheme clusters, in order, as ICU finds them (never
// inside a surrogate pair); empty when ICU cannot work on the text.
QList<qsizetype> graphemeEnds(QStringView text)
{
    QList<qsizetype> ends;
    if (text.size() > std::numeric_limits<int32_t>::max())
        return ends;
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UBreakIterator, decltype(&ubrk_close)> breaks(
        ubrk_open(UBRK_CHARACTER, "", reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()), &status),
        ubrk_close);
    if (U_FAILURE(status))
        return ends;
    for (int32_t end = ubrk_next(breaks.get()); end != UBRK_DONE; end = ubrk_next(breaks.get()))
        ends.append(end);
    return ends;
}

// The longest prefix of whole grapheme clusters within both limits.
QStringView graphemePrefix(QStringView text, qsizetype maxCharacters, qsizetype maxBytes)
{
    const QList<qsizetype> ends = graphemeEnds(text);
    qsizetype kept = 0;
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < ends.size() && i < maxCharacters; ++i) {
        const qsizetype start = i == 0 ? 0 : ends[i - 1];
        bytes += utf8Length(text.sliced(start, ends[i] - start));
        if (bytes > maxBytes)
            break;
        kept = i + 1;
    }
    // Checked again on the cut itself, stepping back a cluster at a time.
    while (kept > 0 && utf8Length(text.first(ends[kept - 1])) > maxBytes)
        --kept;
    return text.first(kept == 0 ? 0 : ends[kept - 1]);
}

qsizetype graphemeCount(QStringView text) { return graphemeEnds(text).size(); }

bool isControlOrFormat(char32_t c)
{
    const QChar::Category category = QChar::category(c);
    return category == QChar::Other_Control || category == QChar::Other_Format;
}

QByteArray encoded(const QString& path) { return QFile::encodeName(path); }

} // namespace

QString PathSafety::sanitizedFileName(const QString& name, const QString& fallback)
{
    QString mapped;
    mapped.reserve(name.size());
    for (char32_t c : name.toUcs4()) {
        if (isControlOrFormat(c) || c == U'/' || c == U':' || c == U'\\')
            mapped += u'_';
        else
            mapped += QString::fromUcs4(&c, 1);
    }
    QStringView text = QStringView(mapped).trimmed();
    while (text.startsWith(u'.'))
        text = text.sliced(1);
    const QStringView kept = graphemePrefix(text, maxNameCharacters, maxNameBytes);
    return kept.isEmpty() ? fallback : kept.toString();
}

bool PathSafety::isContained(const QString& path, const QString& root)
{
    return SymlinkResolver::contains(encoded(root).toStdString(), encoded(path).toStdString());
}

void PathSafety::assertNoEscapingLinks(const QString& root)
{
    std::error_code error;
    fs::recursive_directory_iterator it(encoded(root).toStdString(), fs::directory_options::skip_permission_denied, error);
    if (error)
        return;
    for (; it != fs::recursive_directory_iterator(); it.increment(error)) {
        const fs::directory_entry& entry = *it;
        if (!entry.is_symlink()) // throws when the entry cannot be examined
            continue;
        const QString destination = QFile::decodeName(fs::read_symlink(entry.path()).native().c_str());
        const QString linkPath = QFile::decodeName(entry.path().native().c_str());
        const QString folder = linkPath.left(linkPath.lastIndexOf(u'/'));
        const QString target = destination.startsWith(u'/') ? destination : folder + u'/' + destination;
        if (!isContained(target, root))
            throw InstallError::unsafeArchive(linkPath.section(u'/', -1) + QStringLiteral(" links outside the archive"));
    }
    // Folders the walk may not read are skipped above; any other failure (out of
    // descriptors in a very deep tree, say) ends the walk early, leaving the rest
    // of the tree unchecked.
    if (error)
        throw fs::filesystem_error("cannot walk the unpacked tree", fs::path(encoded(root).toStdString()), error);
}

std::int64_t PathSafety::treeSize(const QString& root)
{
    std::error_code error;
    fs::recursive_directory_iterator it(encoded(root).toStdString(), fs::directory_options::skip_permission_denied, error);
    if (error)
        return 0;
    std::int64_t total = 0;
    for (; it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (error)
            break;
        struct stat info;
        if (::lstat(it->path().c_str(), &info) == 0 && S_ISREG(info.st_mode))
            total += std::int64_t(info.st_size);
    }
    return total;
}

bool PathSafety::isAcceptableBundleName(const QString& name)
{
    return !name.isEmpty() && !name.startsWith(u'.') && !name.contains(u'/') && !name.contains(QChar(u'\0'))
        && graphemeCount(name) <= maxBundleNameCharacters && BundleKind::fromPath(name).has_value();
}

} // namespace hub
