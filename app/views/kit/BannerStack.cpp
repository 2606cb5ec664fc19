#include "app/views/kit/BannerStack.h"

#include "app/model/AppModel.h"
#include "app/views/kit/BannerRow.h"
#include "app/views/kit/Rebuilder.h"

#include <QEvent>
#include <QVBoxLayout>

namespace hub {

namespace {

// How far a row's shadow reaches beyond it.
constexpr QMargins shadowReach{8, 6, 8, 10};

} // namespace

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
            row->installEventFilter(this);
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
    // Never hidden, or a rebuild would wait for it to be shown: without rows the mask
    // leaves nothing to draw or to click.
    adjustSize();
    followRows();
}

bool BannerStack::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        followRows();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void BannerStack::followRows()
{
    QRegion rows;
    for (const QWidget* row : std::as_const(rows_))
        if (!row->isHidden())
            rows += row->geometry().marginsAdded(shadowReach);
    // An empty mask would mean no mask at all: then a point outside the stack.
    setMask(rows.isEmpty() ? QRegion(-1, -1, 1, 1) : rows);
}

} // namespace hub
