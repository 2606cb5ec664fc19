#include "app/views/kit/ModelActions.h"

#include "app/model/AppModel.h"
#include "app/model/Catalog.h"
#include "kit/support/Version.h"

namespace hub {

ModelActions::ModelActions(AppModel& model) : ProductActions(&model), model_(model)
{
    setObjectName(QStringLiteral("ModelActions"));
    connect(&model.accounts(), &Accounts::storeUserChanged, this, &ProductActions::changed);
    connect(&model.accounts(), &Accounts::storeOwnedChanged, this, &ProductActions::changed);
    connect(&model.accounts(), &Accounts::tavrenProfileChanged, this, &ProductActions::changed);
    connect(&model.library(), &Library::installedChanged, this, &ProductActions::changed);
    connect(&model.library(), &Library::releaseNotesChanged, this, &ProductActions::changed);
    connect(&model.preferences(), &Preferences::currencyChanged, this, &ProductActions::changed);
}

ModelActions& ModelActions::of(AppModel& model)
{
    if (auto* found = model.findChild<ModelActions*>(QStringLiteral("ModelActions"), Qt::FindDirectChildrenOnly))
        return *found;
    return *new ModelActions(model);
}

std::optional<InstallStage> ModelActions::jobStage(const QString&) const
{
    return std::nullopt; // SEAM: the queue's job of the product
}

bool ModelActions::owns(const QString& productId) const
{
    return model_.catalog().owns(productId);
}

std::optional<InstallRecord> ModelActions::record(const QString& productId) const
{
    return model_.library().record(productId);
}

bool ModelActions::hasUpdate(const StorefrontProduct& product) const
{
    const std::optional<InstallRecord> installed = record(product.id);
    const std::optional<QString> latest = model_.library().latestVersion(product);
    return installed && latest && Version(installed->version) < Version(*latest);
}

QString ModelActions::price(const PricingVariation& variation) const
{
    return model_.cart().price(variation);
}

void ModelActions::install(const StorefrontProduct& product, const std::optional<Download>& download)
{
    model_.queue().install(product, download, false);
}

void ModelActions::resume(const QString&) {}  // SEAM: stage back to queued, then the queue started
void ModelActions::pause(const QString&) {}   // SEAM: cancel the job's task
void ModelActions::openApp(const InstallRecord&) {} // SEAM: the model's openApp
void ModelActions::buy(const StorefrontProduct&) {}  // SEAM: the model's beginCheckout of one line

void ModelActions::show(const QString& productId)
{
    model_.navigation().show(productId);
}

QString ModelActions::category(const QString& productId) const
{
    return Catalog::entry(productId).category;
}

} // namespace hub
