#include "app/views/kit/BannerStack.h"

#include "app/model/AppModel.h"
#include "app/views/kit/BannerRow.h"
#include "app/views/kit/Rebuilder.h"

#include <QVBoxLayout>

namespace hub {

BannerStack::BannerStack(AppModel& model, QWidget* parent) : QWidget(parent), model_(model), column_(new QVBoxLayout(this))
{
    column_->setSpacing(8);
    column_->setContentsMargins(16, 16, 16, 16);
    auto* rebuilder = new Rebuilder(this, [this] { rebuild(); });
    rebuilder->watch(&model.banners(), &Banners::bannersChanged);
    rebuild();
}

void BannerStack::rebuild()
{
    const QList<Banner>& banners = model_.banners().banners();
    QHash<QUuid, QWidget*> kept;
    for (const Banner& banner : banners) {
        QWidget* row = rows_.take(banner.id);
        if (!row) {
            const QUuid id = banner.id;
            row = new BannerRow(banner.tone == Banner::Tone::success ? BannerRow::Tone::success
                    : banner.tone == Banner::Tone::failure           ? BannerRow::Tone::failure
                                                                     : BannerRow::Tone::info,
                banner.text, [this, id] { model_.banners().dismiss(id); }, this);
        }
        kept.insert(banner.id, row);
    }
    qDeleteAll(rows_); // banners that are gone
    rows_ = kept;
    // Array order, oldest on top.
    for (const Banner& banner : banners) {
        column_->removeWidget(rows_[banner.id]);
        column_->addWidget(rows_[banner.id], 0, Qt::AlignHCenter);
    }
    setVisible(!banners.isEmpty());
    adjustSize();
}

} // namespace hub
