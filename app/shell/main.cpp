// tavren-hub: the windowed hub, or with "--background-update" the headless update run.
// The headless path is chosen here, before any GUI library is even loaded: the windowed
// app lives in the module lib/tavren-hub/tavren-hub-window.so beside this executable.

#include "app/platform/InstallLocation.h"
#include "app/updater/BackgroundUpdater.h"

#include <QFile>
#include <cstdio>
#include <dlfcn.h>

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
    if (hub::BackgroundUpdater::isRequested(argc, argv))
        return hub::BackgroundUpdater::runAndExit(argc, argv);
    return runWindowed(argc, argv);
}
