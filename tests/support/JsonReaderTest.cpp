#include "kit/support/JsonReader.h"

#include <gtest/gtest.h>
#include <limits>

using hub::JsonError;
using hub::JsonReader;

namespace {

constexpr qint64 minimum = std::numeric_limits<qint64>::min();
constexpr qint64 maximum = std::numeric_limits<qint64>::max();

// The integer read from `literal`, at the top, in a nested object and in an array item.
QList<std::optional<qint64>> integersOf(const QByteArray& literal)
{
    const JsonReader reader = JsonReader::parse("{\"n\":" + literal + ",\"o\":{\"n\":" + literal + "},\"a\":[{\"n\":"
                                                + literal + "}],\"s\":\"-9223372036854775809\"}");
    const auto read = [](const JsonReader& r) -> std::optional<qint64> {
        try {
            return r.integer(u"n");
        } catch (const JsonError&) {
            return std::nullopt;
        }
    };
    return {read(reader), read(reader.child(u"o")), reader.list(u"a", read).value(0)};
}

} // namespace

TEST(JsonReader, IntegersAreExactSixtyFourBitValues)
{
    const std::pair<QByteArray, std::optional<qint64>> table[] = {
        {"12", 12},
        {"-0", 0},
        {"12.5", std::nullopt},
        {"9007199254740993", 9007199254740993},
        {"9223372036854775807", maximum},
        {"9223372036854775808", std::nullopt},
        {"-9223372036854775808", minimum},
        {"-9223372036854775809", std::nullopt},
        {"-9223372036854775810", std::nullopt},
        {"-9223372036854776000", std::nullopt},
        {"-9223372036854775808.5", std::nullopt},
        {"-9.2233720368547758081e18", std::nullopt},
        {"-9223372036854777856", std::nullopt},
    };
    for (const auto& [literal, expected] : table)
        EXPECT_EQ(integersOf(literal), QList<std::optional<qint64>>(3, expected)) << literal.toStdString();
}
