#include "app/views/store/StoreLoading.h"

#include "app/model/AppModel.h"
#include "app/views/kit/EmptyState.h"
#include "app/views/kit/Rebuilder.h"
#include "app/views/store/StoreSkeleton.h"

#include <QPointer>
#include <QVBoxLayout>

namespace hub {

StoreLoading::StoreLoading(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), rebuild_(new Rebuilder(this, [this] { rebuild(); }))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    rebuild_->watch(&model_.refresh(), &RefreshCycle::loadingChanged);
    rebuild();
}

void StoreLoading::rebuild()
{
    const bool loading = model_.refresh().loading();
    const bool skeleton = qobject_cast<StoreSkeleton*>(face_) != nullptr;
    if (face_ && skeleton == loading)
        return;
    if (face_) {
        face_->hide();
        face_->deleteLater();
    }
    if (loading) {
        face_ = new StoreSkeleton(this);
    } else {
        QPointer<AppModel> model(&model_);
        face_ = new EmptyState(QStringLiteral("Store unavailable"), QStringLiteral("Could not reach the Tavren store."),
            QStringLiteral("wifi.exclamationmark"), EmptyState::Action{QStringLiteral("Try Again"), [model] {
                if (model)
                    model->refresh().loadStorefront();
            }});
    }
    layout()->addWidget(face_);
}

} // namespace hub
