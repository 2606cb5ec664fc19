#pragma once

#include "app/model/InstallEngine.h"
#include "kit/install/InstallPipeline.h"

#include <QFileInfo>

namespace hub {

// The install queue's engine over the kit's pipeline.
class PipelineEngine : public InstallEngine {
public:
    explicit PipelineEngine(InstallPipeline pipeline) : pipeline_(std::move(pipeline)) {}

    InstallRecord run(const InstallRequest& request, const std::optional<DownloadResumeData>& resumeData,
        const StageCallback& stage, std::stop_token stop) const override
    {
        return pipeline_.run(request, resumeData, stage, std::move(stop));
    }
    void verify(const InstallRequest& request, const StageCallback& stage, std::stop_token stop) const override
    {
        pipeline_.verify(request, stage, std::move(stop));
    }
    Removal uninstall(const QString& productId) const override { return pipeline_.uninstall(productId); }
    void discard(const InstallRequest& request) const override { pipeline_.discard(request); }
    void sweep() const override { pipeline_.sweep(); }
    Destinations destinations() const override
    {
        const BundleInstaller& installer = pipeline_.installer;
        const QString vst3 = BundleKind(BundleKind::vst3).destinationDirectory(installer.home, installer.applications);
        return {QFileInfo(vst3).path(), BundleKind(BundleKind::app).destinationDirectory(installer.home, installer.applications)};
    }
    bool holds(const InstalledItem& item) const override { return item.present(pipeline_.installer.verifier); }
    QStringList systemCopies(const QList<InstalledItem>& items) const override { return pipeline_.installer.systemCopies(items); }

    const InstallPipeline& pipeline() const { return pipeline_; }

private:
    InstallPipeline pipeline_;
};

} // namespace hub
