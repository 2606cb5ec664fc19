#include "kit/api/MoonbaseClient.h"
#include "kit/support/PercentEncoding.h"

#include <gtest/gtest.h>

using namespace hub;

namespace {

// The printable ASCII characters that come out unencoded.
QString kept(QString (*encode)(QStringView))
{
    QString out;
    for (char16_t c = 0x20; c < 0x7F; ++c) {
        if (c >= u'0' && c <= u'9')
            continue;
        if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))
            continue;
        const QString one(QChar{c});
        const QString encoded = encode(one);
        if (encoded == one)
            out += one;
        else
            EXPECT_EQ(encoded, u'%' + QString::number(int(c), 16).toUpper()) << char(c);
    }
    return out;
}

} // namespace

TEST(PercentEncoding, TheTwoStoreSets)
{
    EXPECT_EQ(kept(&MoonbaseClient::encodeQueryValue), QStringLiteral("!$'()*,-.:;@_~"));
    // A lone "." is a dot segment and is encoded; inside a segment it is kept.
    EXPECT_EQ(kept(&MoonbaseClient::encodePathSegment), QStringLiteral("!$&'()*+,-:=@_~"));
    EXPECT_EQ(MoonbaseClient::encodePathSegment(u"v1.2"), "v1.2");

    EXPECT_EQ(MoonbaseClient::encodeQueryValue(u"a+b&c=d?e#f/g h"), "a%2Bb%26c%3Dd%3Fe%23f%2Fg%20h");
    EXPECT_EQ(MoonbaseClient::encodePathSegment(u"a/b?c#d;e f+&="), "a%2Fb%3Fc%23d%3Be%20f+&=");
    EXPECT_EQ(MoonbaseClient::encodeQueryValue(u"Zoë 東"), "Zo%C3%AB%20%E6%9D%B1");
    EXPECT_EQ(MoonbaseClient::encodeQueryValue(u"%2F"), "%252F");
    EXPECT_EQ(MoonbaseClient::encodeQueryValue(QString(QChar(0xD800))), "");
    EXPECT_EQ(PercentEncoding::encode(QStringView(u"x\u0000y", 3), "xy"), "x%00y");
}
