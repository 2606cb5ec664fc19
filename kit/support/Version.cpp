#include "kit/support/Version.h"

#include <QTextBoundaryFinder>
#include <unicode/uchar.h>

namespace hub {

namespace {

// Unicode space separators and the tab; line breaks are not white space here.
bool isBlank(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

bool isV(QChar c) { return c == u'v' || c == u'V'; }

template <typename Predicate>
QStringView trimmed(QStringView text, Predicate drop)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && drop(text[begin]))
        ++begin;
    while (end > begin && drop(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// A run of ASCII digits within the signed 64-bit range, else 0.
std::int64_t asciiValue(QStringView run)
{
    std::int64_t value = 0;
    for (QChar c : run) {
        if (c < u'0' || c > u'9')
            return 0;
        const int digit = c.unicode() - u'0';
        if (value > (INT64_MAX - digit) / 10)
            return 0;
        value = value * 10 + digit;
    }
    return value;
}

// The scalar that starts at index i (a lone surrogate stands for itself).
char32_t scalarAt(QStringView text, qsizetype i)
{
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return QChar::surrogateToUcs4(c, text[i + 1]);
    return c.unicode();
}

// The number of a core piece: its longest leading run of numeric characters
// (grapheme clusters whose first scalar has a Unicode numeric type).
std::int64_t componentValue(QStringView piece)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, piece.data(), piece.size());
    qsizetype runEnd = 0;
    for (qsizetype next = finder.toNextBoundary(); next > 0; next = finder.toNextBoundary()) {
        const char32_t first = scalarAt(piece, runEnd);
        if (u_getIntPropertyValue(UChar32(first), UCHAR_NUMERIC_TYPE) == U_NT_NONE)
            break;
        runEnd = next;
    }
    return runEnd == 0 ? 0 : asciiValue(piece.first(runEnd));
}

// Case-sensitive comparison by code point in which runs of ASCII digits compare by value.
std::weak_ordering compareLabels(const QString& lhs, const QString& rhs)
{
    const QList<uint> a = lhs.toUcs4();
    const QList<uint> b = rhs.toUcs4();
    auto isDigit = [](uint c) { return c >= '0' && c <= '9'; };
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (!isDigit(a[i]) || !isDigit(b[j])) {
            if (a[i] != b[j])
                return a[i] <=> b[j];
            ++i;
            ++j;
            continue;
        }
        // Skip leading zeros, then the longer run is the larger value, else the first differing digit.
        while (i + 1 < a.size() && a[i] == '0' && isDigit(a[i + 1]))
            ++i;
        while (j + 1 < b.size() && b[j] == '0' && isDigit(b[j + 1]))
            ++j;
        qsizetype ei = i;
        qsizetype ej = j;
        while (ei < a.size() && isDigit(a[ei]))
            ++ei;
        while (ej < b.size() && isDigit(b[ej]))
            ++ej;
        if (ei - i != ej - j)
            return ei - i <=> ej - j;
        for (; i < ei; ++i, ++j) {
            if (a[i] != b[j])
                return a[i] <=> b[j];
        }
    }
    return a.size() - i <=> b.size() - j;
}

} // namespace

Version::Version(const QString& text) : raw_(text)
{
    QStringView rest = trimmed(trimmed(QStringView(raw_), isBlank), isV);

    // Split once at a hyphen, leading hyphens skipped; the label keeps any further hyphens.
    while (rest.startsWith(u'-'))
        rest = rest.sliced(1);
    QStringView core = rest;
    if (const qsizetype hyphen = rest.indexOf(u'-'); hyphen >= 0) {
        core = rest.first(hyphen);
        if (const QStringView label = rest.sliced(hyphen + 1); !label.isEmpty())
            prerelease_ = label.toString();
    }

    for (QStringView piece : core.split(u'.', Qt::SkipEmptyParts))
        numbers_.append(componentValue(piece));
}

std::weak_ordering operator<=>(const Version& lhs, const Version& rhs)
{
    const qsizetype count = std::max(lhs.numbers_.size(), rhs.numbers_.size());
    for (qsizetype i = 0; i < count; ++i) {
        const std::int64_t a = lhs.numbers_.value(i, 0);
        const std::int64_t b = rhs.numbers_.value(i, 0);
        if (a != b)
            return a < b ? std::weak_ordering::less : std::weak_ordering::greater;
    }
    if (!lhs.prerelease_ && !rhs.prerelease_)
        return std::weak_ordering::equivalent;
    if (!lhs.prerelease_)
        return std::weak_ordering::greater;
    if (!rhs.prerelease_)
        return std::weak_ordering::less;
    return compareLabels(*lhs.prerelease_, *rhs.prerelease_);
}

} // namespace hub
