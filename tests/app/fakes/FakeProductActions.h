#pragma once

#include "app/views/kit/ProductActions.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace hub {

// Jobs, records and ownership set by the test; every press is written to `calls`.
class FakeProductActions : public ProductActions {
public:
    QHash<QString, InstallStage> stages;
    QHash<QString, InstallRecord> records;
    QSet<QString> owned;
    QSet<QString> updates;
    QString priceText = QStringLiteral("€49.00");
    QStringList calls;

    // A change of stage kind is a transition; within one kind, a progress tick.
    void setStage(const QString& id, const InstallStage& stage)
    {
        const auto found = stages.constFind(id);
        const bool transition = found == stages.constEnd() || found->kind != stage.kind;
        stages.insert(id, stage);
        if (transition)
            emit changed();
        else
            emit progressed(id);
    }

    std::optional<InstallStage> jobStage(const QString& id) const override
    {
        const auto found = stages.constFind(id);
        return found == stages.constEnd() ? std::nullopt : std::optional(*found);
    }
    bool owns(const QString& id) const override { return owned.contains(id); }
    std::optional<InstallRecord> record(const QString& id) const override
    {
        const auto found = records.constFind(id);
        return found == records.constEnd() ? std::nullopt : std::optional(*found);
    }
    bool hasUpdate(const StorefrontProduct& product) const override { return updates.contains(product.id); }
    QString price(const PricingVariation&) const override { return priceText; }
    void install(const StorefrontProduct& product, const std::optional<Download>& download) override
    {
        calls << QStringLiteral("install ") + product.id + (download ? QStringLiteral(" ") + download->key : QString());
    }
    void resume(const QString& id) override { calls << QStringLiteral("resume ") + id; }
    void pause(const QString& id) override { calls << QStringLiteral("pause ") + id; }
    void openApp(const InstallRecord& record) override { calls << QStringLiteral("open ") + record.productId; }
    void buy(const StorefrontProduct& product) override { calls << QStringLiteral("buy ") + product.id; }
    void show(const QString& id) override { calls << QStringLiteral("show ") + id; }
    QString category(const QString&) const override { return QStringLiteral("Plug-ins"); }
};

} // namespace hub
