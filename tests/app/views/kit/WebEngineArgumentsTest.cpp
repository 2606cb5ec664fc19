#include "app/views/kit/WebEngineArguments.h"

#include <gtest/gtest.h>
#include <vector>

using namespace hub;

TEST(WebEngineArguments, EngineGetsNothingFromCommandLineOrEnvironment)
{
    const struct {
        std::vector<const char*> argv;
        int kept;
    } cases[] = {
        {{"tavren-hub", "--open", "checkout:tv-widener"}, 3},
        {{"tavren-hub", "--open", "x", "--webEngineArgs", "--remote-debugging-port=9222"}, 3},
        {{"tavren-hub", "--WEBENGINEARGS", "--no-sandbox", "--webEngineArgs"}, 1},
        {{"tavren-hub", "--webEngineArgs=1"}, 2},
        {{}, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WebEngineArguments::applicationCount(int(c.argv.size()), c.argv.data()), c.kept) << c.kept;

    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--ignore-certificate-errors");
    qputenv("QTWEBENGINE_REMOTE_DEBUGGING", "9223");
    WebEngineArguments::clearInherited();
    // Set yet empty: the engine then drops every process argument and adds none.
    EXPECT_TRUE(qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"));
    EXPECT_TRUE(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").isEmpty());
    EXPECT_FALSE(qEnvironmentVariableIsSet("QTWEBENGINE_REMOTE_DEBUGGING"));
}

TEST(WebEngineArguments, TheEngineIsAskedForThePagesAccessibilityUnlessTheUserSaid)
{
    const char* const variable = "QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY";
    for (const auto& [user, engine] : {std::pair<const char*, const char*>{nullptr, "1"}, {"0", "0"}, {"", ""}}) { // null: unset
        qunsetenv(variable);
        if (user)
            qputenv(variable, user);
        WebEngineArguments::enableAccessibility();
        EXPECT_TRUE(qEnvironmentVariableIsSet(variable));
        EXPECT_EQ(qgetenv(variable), engine);
    }
}
