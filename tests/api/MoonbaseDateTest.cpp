#include "kit/api/MoonbaseDate.h"

#include <QJsonDocument>
#include <gtest/gtest.h>

using namespace hub;

TEST(MoonbaseDate, ReadsTheStoresTimestampForms)
{
    const QDateTime noon(QDate(2024, 5, 1), QTime(12, 30, 0), Qt::UTC);
    struct Case {
        const char* text;
        std::optional<QDateTime> expected;
    };
    const QList<Case> table = {
        {"2024-05-01T12:30:00Z", noon},
        {"2024-05-01T12:30:00.123456Z", noon.addMSecs(123)},
        {"2024-05-01T12:30:00.1239Z", noon.addMSecs(123)}, // cut, not rounded
        {"2024-05-01T12:30:00.5", noon.addMSecs(500)},
        {"2024-05-01T12:30:00.05Z", noon.addMSecs(50)},
        {"2024-05-01T12:30:00", noon},
        {"2024-05-01T12:30:00+02:00", noon.addSecs(-7200)},
        {"2024-05-01T12:30:00.250-01:30", noon.addMSecs(250).addSecs(5400)},
        {"2024-05-01T12:30:00.123456789+02:00", noon.addMSecs(123).addSecs(-7200)},
        {"2024-05-01", std::nullopt},
        {"2024-05-01 12:30:00Z", std::nullopt},
        {"2024-05-01T12:30Z", std::nullopt},
        {"2024-05-01T12:30:00+0200", std::nullopt},
        {"2024-05-01T12:30:00.Z", std::nullopt},
        {"2024-02-30T12:30:00Z", std::nullopt},
        {"2024-05-01T24:00:00Z", std::nullopt},
        {"2024-05-01T12:30:00ZZ", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : table) {
        const auto parsed = MoonbaseDate::parse(QString::fromLatin1(c.text));
        EXPECT_EQ(parsed, c.expected) << c.text << " gave " << qPrintable(parsed ? parsed->toString(Qt::ISODateWithMs) : "nothing");
        if (parsed) {
            EXPECT_EQ(parsed->timeSpec(), Qt::UTC) << c.text;
        }
    }
}

TEST(MoonbaseDate, RecordsFailOnUnrecognisedDates)
{
    const JsonReader json(QJsonDocument::fromJson(R"({"at":"2024-05-01","when":"2024-05-01T12:30:00Z","none":null,"num":5})").object());
    try {
        MoonbaseDate::read(json, u"at");
        ADD_FAILURE() << "read";
    } catch (const JsonError& error) {
        EXPECT_EQ(error.description, "$.at: Unrecognised date 2024-05-01");
    }
    EXPECT_EQ(MoonbaseDate::read(json, u"when"), QDateTime(QDate(2024, 5, 1), QTime(12, 30), Qt::UTC));
    EXPECT_FALSE(MoonbaseDate::readOptional(json, u"none").has_value());
    EXPECT_FALSE(MoonbaseDate::readOptional(json, u"missing").has_value());
    EXPECT_THROW(MoonbaseDate::readOptional(json, u"num"), JsonError);
    EXPECT_THROW(MoonbaseDate::read(json, u"none"), JsonError);
}
