// Notification bodies go out escaped, and nothing is posted without a notification service.

#include "app/platform/Notifier.h"

#include <gtest/gtest.h>

using namespace hub;

TEST(Notifier, EscapesMarkupAndPostsOnlyWithAService)
{
    EXPECT_EQ(Notifier::escaped(QStringLiteral("<b>TV & \"Co\"</b>")), QStringLiteral("&lt;b&gt;TV &amp; \"Co\"&lt;/b&gt;"));
    EXPECT_EQ(Notifier::escaped(QStringLiteral("TV Reverb 1.5.0\nTV Delay")), QStringLiteral("TV Reverb 1.5.0\nTV Delay"));

    const Notifier offline(QDBusConnection(QStringLiteral("not connected")));
    EXPECT_FALSE(offline.isAuthorised());
    EXPECT_FALSE(offline.post(QStringLiteral("title"), QStringLiteral("body")));
}
