// The beta version text and the feedback link.

#include "app/model/Beta.h"

#include <QUrlQuery>
#include <gtest/gtest.h>

using namespace hub;

TEST(Beta, VersionTextStandsInForWhatIsMissing)
{
    struct Case {
        QJsonObject info;
        QString version;
    };
    const QList<Case> cases{
        {{{"shortVersion", "0.9"}, {"build", "42"}}, "0.9 beta (42)"},
        {{}, "? beta (?)"},
        {{{"shortVersion", 0.9}, {"build", "42"}}, "? beta (42)"},
        {{{"shortVersion", "0.9"}, {"build", QJsonValue()}}, "0.9 beta (?)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Beta::version(c.info), c.version);
}

TEST(Beta, FeedbackLinkEncodesSubjectAndBody)
{
    const QUrl url = Beta::feedbackURL(QStringLiteral("0.9 beta (42)"), QStringLiteral("Debian GNU/Linux 12 & more"));
    EXPECT_EQ(url.toEncoded(),
              "mailto:hub-beta@tavren.example?subject=Tavren%20Hub%200.9%20beta%20%2842%29%20feedback"
              "&body=%0A%0A%0ATavren%20Hub%200.9%20beta%20%2842%29%0ADebian%20GNU%2FLinux%2012%20%26%20more");
    const QUrlQuery query(url);
    EXPECT_EQ(url.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(url.path(), QStringLiteral("hub-beta@tavren.example"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded), QStringLiteral("Tavren Hub 0.9 beta (42) feedback"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded),
              QStringLiteral("\n\n\nTavren Hub 0.9 beta (42)\nDebian GNU/Linux 12 & more"));
}
