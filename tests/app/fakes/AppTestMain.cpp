#include "app/views/kit/Motion.h"

#include <QApplication>
#include <QCoreApplication>
#include <clocale>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

// App tests run under a QCoreApplication; *UiTest and *UiIntegrationTest binaries get an
// offscreen QApplication. Motion is off unless a test turns it on.
int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    const bool ui = std::strstr(argv[0], "UiTest") != nullptr || std::strstr(argv[0], "UiIntegrationTest") != nullptr;
    std::unique_ptr<QCoreApplication> app;
    if (ui) {
        // A test may give the offscreen platform screens of its own.
        if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith(QLatin1String("offscreen")))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    hub::Motion::setEnabled(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
