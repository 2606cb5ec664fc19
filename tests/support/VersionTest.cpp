#include "kit/support/Version.h"

#include <gtest/gtest.h>

using hub::Version;

namespace {

struct Parse {
    QString text;
    QList<std::int64_t> numbers;
    std::optional<QString> prerelease;
};

// Ordering cases: lhs is below rhs.
struct Below {
    const char* lhs;
    const char* rhs;
};

QString str(const char* text) { return QString::fromUtf8(text); }

} // namespace

TEST(Version, Parsing)
{
    const QList<Parse> table = {
        {str(""), {}, {}},
        {str("V2.1"), {2, 1}, {}},
        {str(" \tv2.1\u00a0"), {2, 1}, {}},
        {str("2.0v"), {2, 0}, {}},
        {str("1.0-dev"), {1, 0}, str("de")},
        {str("1.0-"), {1, 0}, {}},
        {str("1.0--rc"), {1, 0}, str("-rc")},
        {str("1.0-beta-2"), {1, 0}, str("beta-2")},
        {str("-beta"), {0}, {}},
        {str("---"), {}, {}},
        {str("--1.2-rc"), {1, 2}, str("rc")},
        {str("1.2.3b4"), {1, 2, 3}, {}},
        {str("1.x.3"), {1, 0, 3}, {}},
        {str("1..3"), {1, 3}, {}},
        {str(".1.2."), {1, 2}, {}},
        {str("1.0 (build 5)"), {1, 0}, {}},
        {str("1.99999999999999999999"), {1, 0}, {}},
        {str("1.9223372036854775807"), {1, INT64_MAX}, {}},
        {str("1.9223372036854775808"), {1, 0}, {}},
        {str("1\u00b2.5"), {0, 5}, {}},      // superscript two in the run
        {str("\uff11.5"), {0, 5}, {}},       // fullwidth digit one
        {str("\u00bd.5"), {0, 5}, {}},       // a fraction is numeric but not ASCII
        {str("\n1.2"), {0, 2}, {}},          // line breaks are not trimmed
        {str("1.2\n"), {1, 2}, {}},          // "2\n": the run stops at the line break
        {str("1\u0301.2"), {0, 2}, {}},      // a digit with a combining mark is one character
    };
    for (const Parse& row : table) {
        const Version version(row.text);
        EXPECT_EQ(version.numbers(), row.numbers) << row.text.toStdString();
        EXPECT_EQ(version.prerelease(), row.prerelease) << row.text.toStdString();
        EXPECT_EQ(version.raw(), row.text);
        EXPECT_EQ(version.description(), row.text);
    }
}

TEST(Version, Ordering)
{
    const QList<Below> below = {
        {"1.9", "1.10"},
        {"1.9.9", "2"},
        {"1.0", "1.0.1-rc"},
        {"1.0-rc.1", "1.0"},
        {"1.0-rc.2", "1.0-rc.10"},
        {"1.0-Beta", "1.0-beta"},
        {"1.0-alpha", "1.0-beta"},
        {"1.0-rc", "1.0-rc.1"},
        {"1.0-rc9", "1.0-rc10"},
        {"1.0-a", "1.0-\u00e9"},
        {"1.0-\uffff", "1.0-\U0001F600"}, // by code point, not by UTF-16 unit
    };
    for (const Below& row : below) {
        const Version lhs{str(row.lhs)};
        const Version rhs{str(row.rhs)};
        EXPECT_TRUE(lhs < rhs) << row.lhs << " < " << row.rhs;
        EXPECT_FALSE(rhs < lhs) << row.rhs << " < " << row.lhs;
        EXPECT_TRUE(rhs > lhs && lhs <= rhs && rhs >= lhs && lhs != rhs) << row.lhs << " vs " << row.rhs;
        EXPECT_FALSE(lhs >= rhs || rhs <= lhs) << row.lhs << " vs " << row.rhs;
    }

    const QList<QStringList> equal = {
        {str(""), str("0"), str("0.0.0"), str("v"), str("-")},
        {str("V2.1"), str(" V2.1 "), str("2.1.0"), str("2.1"), str("v2.1")},
        {str("1.2"), str("1.2.0.0"), str("-1.2"), str("--1.2-")},
        {str("1.0-rc.1"), str("1.0.0-rc.1"), str("v1.0-rc.01")},
    };
    for (const QStringList& group : equal) {
        for (const QString& a : group) {
            for (const QString& b : group) {
                EXPECT_TRUE(Version(a) == Version(b)) << a.toStdString() << " == " << b.toStdString();
                EXPECT_FALSE(Version(a) < Version(b)) << a.toStdString() << " < " << b.toStdString();
                EXPECT_TRUE(Version(a) <= Version(b) && Version(a) >= Version(b));
            }
        }
    }
}
