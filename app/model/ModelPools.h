#pragma once

#include <QThreadPool>

namespace hub {

// The model's worker threads: network and disk reads, snapshot saves, installs.
// The model drains them before anything they touch is destroyed.
struct ModelPools {
    ModelPools()
    {
        reads.setMaxThreadCount(8);
        saves.setMaxThreadCount(1);
        installs.setMaxThreadCount(3); // two install jobs and an uninstall
    }
    ~ModelPools() { drain(); }

    void drain()
    {
        reads.waitForDone();
        saves.waitForDone();
        installs.waitForDone();
    }

    QThreadPool reads;
    QThreadPool saves;
    QThreadPool installs;
};

} // namespace hub
