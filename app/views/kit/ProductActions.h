#pragma once

#include "app/views/kit/ActionButtonPresenter.h"
#include "kit/api/StorefrontProduct.h"
#include "kit/install/InstallRecord.h"

#include <QObject>

namespace hub {

// What a product's controls (action button, progress pill, tile) read and call, so
// that they follow any source of jobs, records and prices: ModelActions over
// AppModel, or a test's fake queue.
class ProductActions : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // The stage of the product's job, if it has one.
    virtual std::optional<InstallStage> jobStage(const QString& productId) const = 0;
    virtual bool owns(const QString& productId) const = 0;
    virtual std::optional<InstallRecord> record(const QString& productId) const = 0;
    virtual bool hasUpdate(const StorefrontProduct& product) const = 0;
    virtual QString price(const PricingVariation& variation) const = 0;

    // No download: the model takes the first macOS one.
    virtual void install(const StorefrontProduct& product, const std::optional<Download>& download) = 0;
    // A paused job back to the queue, and the queue started.
    virtual void resume(const QString& productId) = 0;
    // Cancels the running task of the product's job, if any.
    virtual void pause(const QString& productId) = 0;
    virtual void openApp(const InstallRecord& record) = 0;
    // A checkout of one line: the product and its default variation.
    virtual void buy(const StorefrontProduct& product) = 0;

    // Opens the product's page.
    virtual void show(const QString& productId) = 0;
    // The built-in catalog's category of the product (its fallback for unknown ids).
    virtual QString category(const QString& productId) const = 0;

    // The presenter's input for `product`, from the reads above.
    ActionButtonPresenter::Input input(const StorefrontProduct& product) const;

signals:
    // Something the decision reads changed: the jobs or a job's stage kind, the
    // records, what is owned, the currency.
    void changed();
    // A job's bytes moved within its stage; only progress pills listen.
    void progressed(const QString& productId);
};

} // namespace hub
