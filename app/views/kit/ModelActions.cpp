#include "app/views/kit/ModelActions.h"

#include "app/model/AppModel.h"
#include "app/model/Catalog.h"

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
    connect(&model.queue(), &InstallQueue::jobsChanged, this, &ModelActions::followJobs);
    followJobs();
}

// Every listed job's stage changes the decision; its bytes only move the pills.
void ModelActions::followJobs()
{
    for (InstallJob* job : model_.queue().jobs()) {
        if (followed_.contains(job))
            continue;
        followed_.insert(job);
        connect(job, &InstallJob::stageChanged, this, &ProductActions::changed);
        connect(job, &InstallJob::fractionChanged, this, [this, job] { emit progressed(job->id()); });
        connect(job, &QObject::destroyed, this, [this, job] { followed_.remove(job); });
    }
    emit changed();
}

ModelActions& ModelActions::of(AppModel& model)
{
    if (auto* found = model.findChild<ModelActions*>(QStringLiteral("ModelActions"), Qt::FindDirectChildrenOnly))
        return *found;
    return *new ModelActions(model);
}

std::optional<InstallStage> ModelActions::jobStage(const QString& productId) const
{
    if (const InstallJob* job = model_.queue().job(productId))
        return job->stage();
    return std::nullopt;
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
    return model_.library().hasUpdate(product);
}

QString ModelActions::price(const PricingVariation& variation) const
{
    return model_.cart().price(variation);
}

void ModelActions::install(const StorefrontProduct& product, const std::optional<Download>& download)
{
    model_.queue().install(product, download, false);
}

void ModelActions::resume(const QString& productId)
{
    if (InstallJob* job = model_.queue().job(productId))
        model_.queue().resume(job);
}

void ModelActions::pause(const QString& productId)
{
    if (InstallJob* job = model_.queue().job(productId))
        job->pause();
}

void ModelActions::openApp(const InstallRecord& record)
{
    model_.library().openApp(record);
}

// A checkout of the product alone; the cart is neither read nor changed.
void ModelActions::buy(const StorefrontProduct& product)
{
    if (product.defaultVariation)
        model_.checkout().beginCheckout({CartLine{product, *product.defaultVariation}}, false);
}

void ModelActions::show(const QString& productId)
{
    model_.navigation().show(productId);
}

QString ModelActions::category(const QString& productId) const
{
    return Catalog::entry(productId).category;
}

} // namespace hub
