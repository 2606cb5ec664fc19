#include "app/views/checkout/WebEngineArguments.h"

#include <gtest/gtest.h>
#include <vector>

using namespace hub;

TEST(WebEngineArguments, ApplicationKeepsWhatPrecedesTheEngineSeparator)
{
    const struct {
        std::vector<const char*> argv;
        int kept;
    } cases[] = {
        {{"tavren-hub"}, 1},
        {{"tavren-hub", "--open", "checkout:tv-widener"}, 3},
        {{"tavren-hub", "--ignore-certificate-errors"}, 2}, // no separator: the engine takes none of it
        {{"tavren-hub", "--open", "x", "--webEngineArgs", "--remote-debugging-port=9222"}, 3},
        {{"tavren-hub", "--WEBENGINEARGS", "--no-sandbox", "--webEngineArgs"}, 1},
        {{"tavren-hub", "--webEngineArgs=1", "--webEngineArgsX"}, 3},
        {{"--webEngineArgs"}, 1}, // the program's own name
        {{}, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WebEngineArguments::applicationCount(int(c.argv.size()), c.argv.data()), c.kept)
            << (c.argv.size() > 1 ? c.argv[1] : "");
    }
}

TEST(WebEngineArguments, EngineGetsOnlyTheHubsFlags)
{
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--ignore-certificate-errors --remote-debugging-port=9222");
    qputenv("QTWEBENGINE_REMOTE_DEBUGGING", "0.0.0.0:9223");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    WebEngineArguments::clearInherited();
    // Set yet empty: the engine then drops every process argument and adds none.
    EXPECT_TRUE(qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"));
    EXPECT_EQ(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), QByteArray());
    EXPECT_FALSE(qEnvironmentVariableIsSet("QTWEBENGINE_REMOTE_DEBUGGING"));
    EXPECT_EQ(qgetenv("QTWEBENGINE_DISABLE_SANDBOX"), QByteArray("1"));

    EXPECT_EQ(WebEngineArguments::flags(QStringLiteral("--host-resolver-rules=MAP a 127.0.0.1:1, MAP b 127.0.0.1:1\n\n"
                                                       " --ignore-certificate-errors-spki-list=k1,k2 \n--x=\"y\"\n")),
              QByteArray("\"--host-resolver-rules=MAP a 127.0.0.1:1, MAP b 127.0.0.1:1\" "
                         "--ignore-certificate-errors-spki-list=k1,k2"));
}
