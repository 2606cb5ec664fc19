#pragma once

#include "app/views/kit/ProductActions.h"

namespace hub {

class AppModel;

// The product controls' reads and calls on the app model. One per model (of()).
// SEAM: the install queue's jobs (stage, pause, resume) and the checkout are read
// here once the model has them; until then no product has a job and buying does nothing.
class ModelActions : public ProductActions {
    Q_OBJECT

public:
    explicit ModelActions(AppModel& model);

    static ModelActions& of(AppModel& model);

    std::optional<InstallStage> jobStage(const QString& productId) const override;
    bool owns(const QString& productId) const override;
    std::optional<InstallRecord> record(const QString& productId) const override;
    bool hasUpdate(const StorefrontProduct& product) const override;
    QString price(const PricingVariation& variation) const override;
    void install(const StorefrontProduct& product, const std::optional<Download>& download) override;
    void resume(const QString& productId) override;
    void pause(const QString& productId) override;
    void openApp(const InstallRecord& record) override;
    void buy(const StorefrontProduct& product) override;
    void show(const QString& productId) override;
    QString category(const QString& productId) const override;

private:
    AppModel& model_;
};

} // namespace hub
