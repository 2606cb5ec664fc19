#pragma once

#include "kit/downloads/DownloadResumeData.h"
#include "kit/install/InstallRecord.h"
#include "kit/install/InstallRequest.h"
#include "kit/install/InstallStage.h"
#include "kit/install/Removal.h"

#include <QStringList>
#include <functional>
#include <optional>
#include <stop_token>

namespace hub {

// What the install queue runs its jobs on: the kit's pipeline in the app, a
// scripted stand-in in tests. Blocking calls, made on the model's install pool;
// the stage callback may be called from that thread and must not block.
class InstallEngine {
public:
    using StageCallback = std::function<void(const InstallStage&)>;

    // The folders bundles are placed in: the plug-in formats' common parent and the
    // applications folder. Empty when the engine does not say.
    struct Destinations {
        QString plugIns;
        QString apps;
    };

    virtual ~InstallEngine() = default;

    // Throws DownloadInterrupted when stopped while downloading.
    virtual InstallRecord run(const InstallRequest& request, const std::optional<DownloadResumeData>& resumeData,
        const StageCallback& stage, std::stop_token stop) const = 0;
    virtual void verify(const InstallRequest& request, const StageCallback& stage, std::stop_token stop) const = 0;
    // Moves the product's items to the Trash; what moved and what stayed (see InstallPipeline::uninstall).
    virtual Removal uninstall(const QString& productId) const = 0;
    // Removes what a stopped run of the request left for resuming; nothing by default.
    virtual void discard(const InstallRequest& request) const { Q_UNUSED(request); }
    // Removes the leftovers of runs no live run holds any more; nothing by default.
    virtual void sweep() const {}
    virtual Destinations destinations() const { return {}; }
    // Whether the item's own code stands at its path (InstalledItem::present with the engine's
    // verifier); by default whether its bundle is there.
    virtual bool holds(const InstalledItem& item) const { return item.present(); }
    // The system-wide copies of the items' plug-ins that exist now; none by default.
    virtual QStringList systemCopies(const QList<InstalledItem>& items) const
    {
        Q_UNUSED(items);
        return {};
    }
};

} // namespace hub
