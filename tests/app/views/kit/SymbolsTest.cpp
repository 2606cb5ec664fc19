#include "app/model/HubSection.h"
#include "app/views/kit/Symbols.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

namespace hub {
namespace {

// Every name written as "name"_symbol anywhere in app/.
QSet<QString> namesUsedInApp()
{
    static const QRegularExpression literal(QStringLiteral(R"re("([^"\\]+)"_symbol)re"));
    QSet<QString> names;
    QDirIterator files(QStringLiteral(HUB_TEST_SOURCE_DIR "/../app"), {"*.cpp", "*.h"}, QDir::Files,
        QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(file.readAll());
        for (const QRegularExpressionMatch& match : literal.globalMatch(text))
            names.insert(match.captured(1));
    }
    return names;
}

TEST(Symbols, EveryNameUsedInTheAppHasItsDrawing)
{
    const QSet<QString> names = namesUsedInApp();
    EXPECT_TRUE(names.contains("icloud.and.arrow.down")); // the scan itself works
    for (const QString& name : names)
        EXPECT_TRUE(Symbols::exists(name)) << "no resources/symbols/" << name.toStdString() << ".svg";
    for (HubSection section : allHubSections())
        EXPECT_TRUE(Symbols::exists(symbol(section))) << symbol(section).toStdString();
    EXPECT_FALSE(Symbols::exists("no.such.symbol"));
}

TEST(Symbols, APixmapIsTintedInkWithHolesLeftClear)
{
    const QImage image = Symbols::image("info.circle.fill", 24, QColor(0, 128, 255));
    ASSERT_EQ(image.size(), QSize(24, 24));
    const QColor edge = image.pixelColor(12, 3); // inside the filled circle, off the "i"
    EXPECT_EQ((std::tuple{edge.red(), edge.green(), edge.blue()}), (std::tuple{0, 128, 255}));
    EXPECT_GT(edge.alpha(), 200);
    EXPECT_LT(image.pixelColor(12, 14).alpha(), 60); // the white stroke of the "i" is a hole
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
}

} // namespace
} // namespace hub
