#include "kit/support/PropertyList.h"

#include <QVariantList>
#include <QVariantMap>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace hub;

namespace {

// A binary property list of the given objects (each already encoded, references 4 bytes wide);
// the first object is the top.
QByteArray binaryList(const QList<QByteArray>& objects)
{
    QByteArray out("bplist00");
    QByteArray table;
    for (const QByteArray& object : objects) {
        const quint32 offset = qToBigEndian(quint32(out.size()));
        table.append(reinterpret_cast<const char*>(&offset), 4);
        out.append(object);
    }
    const quint64 tableOffset = quint64(out.size());
    out.append(table);
    QByteArray trailer(32, '\0');
    trailer[6] = 4;
    trailer[7] = 4;
    qToBigEndian(quint64(objects.size()), trailer.data() + 8);
    qToBigEndian(quint64(0), trailer.data() + 16);
    qToBigEndian(tableOffset, trailer.data() + 24);
    return out + trailer;
}

QByteArray ref(quint32 index)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(index, bytes.data());
    return bytes;
}

// Arrays nested `levels` deep (the innermost empty); with `width` references each to the next,
// so the parsed tree has width^(levels-1) leaves.
QByteArray nestedBinary(quint32 levels, int width = 1)
{
    QList<QByteArray> objects;
    for (quint32 i = 0; i + 1 < levels; ++i)
        objects.append(char(0xA0 | width) + ref(i + 1).repeated(width));
    objects.append(QByteArray(1, char(0xA0)));
    return binaryList(objects);
}

QByteArray nestedXml(int levels)
{
    return "<?xml version=\"1.0\"?><plist version=\"1.0\">" + QByteArray("<array>").repeated(levels)
        + QByteArray("</array>").repeated(levels) + "</plist>";
}

QByteArray xmlDict(const QByteArray& key)
{
    return "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>" + key + "</key><true/></dict></plist>";
}

} // namespace

TEST(PropertyList, ShapesThatLibplistCannotTakeAreRefusedBeforeParsing)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        bool parses;
    };
    const QByteArray nulKey = binaryList({QByteArray(1, char(0xD1)) + ref(1) + ref(2), QByteArray("\x53" "a\0b", 4),
                                          QByteArray(1, char(0x09))});
    const QByteArray wideNulKey = binaryList({QByteArray(1, char(0xD1)) + ref(1) + ref(2), QByteArray("\x62\0a\0\0", 5),
                                              QByteArray(1, char(0x09))});
    const Case cases[] = {
        {"binary, 65 levels", nestedBinary(65), true},
        {"binary, 66 levels", nestedBinary(66), false},
        {"binary, 90000 levels", nestedBinary(90000), false},
        {"binary, a reference cycle", binaryList({QByteArray(1, char(0xA1)) + ref(0)}), false},
        {"binary, 2^21 leaves from 22 shared arrays", nestedBinary(22, 2), false},
        {"binary, a key with a NUL", nulKey, false},
        {"binary, a UTF-16 key with a NUL", wideNulKey, false},
        {"XML, 65 levels", nestedXml(65), true},
        {"XML, 66 levels", nestedXml(66), false},
        {"XML, 90000 levels", nestedXml(90000), false},
        {"XML, nesting hidden in a quoted attribute", "<plist>" + QByteArray("<array a=\"/>\">").repeated(90000), false},
        {"XML, a key with a NUL reference", xmlDict("a&#0;b"), false},
        {"XML, a key with a hexadecimal NUL reference", xmlDict("a&#x00;b"), false},
        {"XML, comments and character data", "<?xml version=\"1.0\"?><!-- <array> --><plist version=\"1.0\"><dict><key>a</key>"
                                             "<string><![CDATA[<array>]]></string><key>b&#48;</key><array/></dict></plist>", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PropertyList::parse(c.bytes).has_value(), c.parses);
    }
    const auto map = PropertyList::parse(cases[13].bytes)->toMap();
    EXPECT_EQ(map.value(QStringLiteral("a")).toString(), QStringLiteral("<array>"));
    EXPECT_TRUE(map.contains(QStringLiteral("b0")));
    EXPECT_EQ(PropertyList::parse(nestedBinary(3, 2))->toList().size(), 2);
}
