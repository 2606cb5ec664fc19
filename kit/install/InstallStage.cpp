#include "kit/install/InstallStage.h"

namespace hub {

InstallStage InstallStage::downloading(qint64 received, qint64 expected)
{
    InstallStage stage(Kind::downloading);
    stage.received = received;
    stage.expected = expected;
    return stage;
}

InstallStage InstallStage::failed(QString message)
{
    InstallStage stage(Kind::failed);
    stage.message = std::move(message);
    return stage;
}

bool InstallStage::isActive() const
{
    switch (kind) {
    case Kind::resolving:
    case Kind::downloading:
    case Kind::verifying:
    case Kind::installing:
        return true;
    case Kind::queued:
    case Kind::paused:
    case Kind::installed:
    case Kind::failed:
        return false;
    }
    return false;
}

} // namespace hub
