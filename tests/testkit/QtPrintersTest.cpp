#include <QStringList>
#include <gtest/gtest.h>

// A test that includes nothing for it still shows text as text when it fails.
TEST(QtPrinters, TextPrintsAsText)
{
    EXPECT_EQ(testing::PrintToString(QStringLiteral("Tavren Hub")), "\"Tavren Hub\"");
    EXPECT_EQ(testing::PrintToString(QStringList{QStringLiteral("a"), QStringLiteral("b")}), "[a, b]");
}
