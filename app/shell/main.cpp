// tavren-hub: the windowed hub, or with "--background-update" the headless update run.
// The headless path is chosen here, before any GUI library is even loaded: the windowed
// app lives in the module lib/tavren-hub/tavren-hub-window.so beside this executable.

#include "app/platform/InstallLocation.h"
#include "app/updater/BackgroundUpdater.h"
#include "kit/deployment/Deployment.h"

#include <QFile>
#include <cstdio>
#include <dlfcn.h>
#include <exception>

namespace {

int runWindowed(int argc, char** argv)
{
    const QByteArray module =
        QFile::encodeName(hub::InstallLocation::current().prefix + QStringLiteral("/lib/tavren-hub/tavren-hub-window.so"));
    void* handle = dlopen(module.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "tavren-hub: %s\n", dlerror());
        return 1;
    }
    using WindowMain = int (*)(int, char**);
    const auto windowMain = reinterpret_cast<WindowMain>(dlsym(handle, "tavren_hub_window_main"));
    if (!windowMain) {
        std::fprintf(stderr, "tavren-hub: %s\n", dlerror());
        return 1;
    }
    return windowMain(argc, argv);
}

} // namespace

int main(int argc, char** argv)
{
    // A demo build reads its hosts from a file: one that is missing or malformed ends
    // either run here, plainly, before anything depends on it.
    if (hub::Deployment::readsDeploymentFile()) {
        try {
            (void)hub::Deployment::current();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "tavren-hub: %s\n", error.what());
            return 1;
        }
    }
    if (hub::BackgroundUpdater::isRequested(argc, argv))
        return hub::BackgroundUpdater::runAndExit(argc, argv);
    return runWindowed(argc, argv);
}
