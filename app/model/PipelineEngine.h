#pragma once

#include "app/model/InstallEngine.h"
#include "kit/install/InstallPipeline.h"

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
    QStringList uninstall(const QString& productId) const override { return pipeline_.uninstall(productId); }
    QStringList systemCopies(const QList<InstalledItem>& items) const override { return pipeline_.installer.systemCopies(items); }

    const InstallPipeline& pipeline() const { return pipeline_; }

private:
    InstallPipeline pipeline_;
};

} // namespace hub
