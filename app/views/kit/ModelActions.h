#pragma once

#include "app/views/kit/ProductActions.h"

#include <QSet>

namespace hub {

class AppModel;
class InstallJob;

// The product controls' reads and calls on the app model. One per model (of()).
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
    void followJobs();

    AppModel& model_;
    QSet<const InstallJob*> followed_;
};

} // namespace hub
