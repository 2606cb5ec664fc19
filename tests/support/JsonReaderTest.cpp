#include "kit/support/JsonReader.h"

#include <gtest/gtest.h>
#include <limits>

using hub::JsonReader;

TEST(JsonReader, IntegersAreExactSixtyFourBitValuesAtEveryDepth)
{
    const std::pair<QByteArray, std::optional<qint64>> table[] = {
        {"12", 12},
        {"12.5", std::nullopt},
        {"9223372036854775807", std::numeric_limits<qint64>::max()},
        {"9223372036854775808", std::nullopt},
        {"-9223372036854775808", std::numeric_limits<qint64>::min()},
        {"-9223372036854775809", std::nullopt},
        {"-9223372036854776000", std::nullopt},
        {"-9223372036854775808.5", std::nullopt},
        {"-9.2233720368547758081e18", std::nullopt},
    };
    const auto read = [](const JsonReader& r) -> std::optional<qint64> {
        try {
            return r.integer(u"n");
        } catch (const hub::JsonError&) {
            return std::nullopt;
        }
    };
    for (const auto& [n, expected] : table) {
        const JsonReader reader = JsonReader::parse(R"({"s":"-9223372036854775809","n":)" + n + R"(,"o":{"n":)" + n
                                                    + R"(},"a":[{"n":)" + n + "}]}");
        const QList<std::optional<qint64>> found{read(reader), read(reader.child(u"o")), reader.list(u"a", read).value(0)};
        EXPECT_EQ(found, QList<std::optional<qint64>>(3, expected)) << n.toStdString();
    }
}
