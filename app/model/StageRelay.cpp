#include "app/model/StageRelay.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace hub {

std::shared_ptr<StageRelay> StageRelay::make(std::function<void(const InstallStage&)> deliver)
{
    return std::shared_ptr<StageRelay>(new StageRelay(std::move(deliver)));
}

void StageRelay::report(const InstallStage& stage)
{
    {
        const std::lock_guard lock(mutex_);
        latest_ = stage;
        if (posted_)
            return;
        posted_ = true;
    }
    QMetaObject::invokeMethod(QCoreApplication::instance(), [self = shared_from_this()] { self->flush(); },
        Qt::QueuedConnection);
}

void StageRelay::flush()
{
    std::optional<InstallStage> stage;
    {
        const std::lock_guard lock(mutex_);
        stage.swap(latest_);
        posted_ = false;
    }
    if (stage)
        deliver_(*stage);
}

} // namespace hub
