#include "app/views/kit/ImageMemory.h"
#include "app/views/kit/Motion.h"

#include <QApplication>
#include <QCoreApplication>
#include <clocale>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

// App tests run under a QCoreApplication; *UiTest and *UiIntegrationTest binaries get an
// offscreen QApplication. Motion is off unless a test turns it on; the image pools stop at the end.
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
    const int status = RUN_ALL_TESTS();
    // As the app quits: no image fetch a test started outlives what it reaches.
    hub::ImageMemory::stop();
    return status;
}
