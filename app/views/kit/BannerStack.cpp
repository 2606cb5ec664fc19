#include "app/views/kit/BannerStack.h"

#include "app/model/AppModel.h"
#include "app/views/kit/BannerRow.h"
#include "app/views/kit/FocusKeeper.h"
#include "app/views/kit/Motion.h"
#include "app/views/kit/Rebuilder.h"

#include <QVariantAnimation>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace hub {

namespace {

constexpr int margin = 16;
constexpr int spacing = 8;
// How far a row's shadow reaches beyond it.
constexpr QMargins shadowReach{8, 6, 8, 10};

// A spring of response 0.5 s and damping fraction 0.85, run until it has settled.
constexpr int springMs = 600;

qreal spring(qreal progress)
{
    constexpr double omega = 2 * std::numbers::pi / 0.5;
    constexpr double damping = 0.85;
    const double decay = damping * omega;
    const double ringing = omega * std::sqrt(1 - damping * damping);
    const double t = progress * springMs / 1000.0;
    return 1 - std::exp(-decay * t) * (std::cos(ringing * t) + decay / ringing * std::sin(ringing * t));
}

BannerRow::Tone rowTone(Banner::Tone tone)
{
    switch (tone) {
    case Banner::Tone::success: return BannerRow::Tone::success;
    case Banner::Tone::failure: return BannerRow::Tone::failure;
    case Banner::Tone::info: break;
    }
    return BannerRow::Tone::info;
}

} // namespace

BannerStack::BannerStack(AppModel& model, QWidget* parent) : QWidget(parent), model_(model)
{
    FocusKeeper::mark(this, FocusKeeper::Place::list);
    auto* rebuilder = new Rebuilder(this, [this] { rebuild(); });
    rebuilder->watch(&model.banners(), &Banners::bannersChanged);
    rebuild();
}

QWidget* BannerStack::row(const QUuid& id) const
{
    for (const Slot& slot : slots_)
        if (slot.id == id && !slot.leaving)
            return slot.row;
    return nullptr;
}

bool BannerStack::moving() const
{
    return !motion_.isNull();
}

int BannerStack::leavingRows() const
{
    return int(std::count_if(slots_.cbegin(), slots_.cend(), [](const Slot& slot) { return slot.leaving; }));
}

void BannerStack::rebuild()
{
    // Each row sets out from where it is now, a running move included.
    if (motion_)
        motion_->stop();
    const QList<Banner>& banners = model_.banners().banners();
    QList<Slot> next;
    qsizetype at = 0; // the old slots taken so far, in order
    const auto takeLeaving = [&](qsizetype until) {
        for (; at < until; ++at) {
            Slot gone = slots_.at(at);
            if (!gone.leaving) {
                gone.leaving = true;
                gone.row->setAttribute(Qt::WA_TransparentForMouseEvents);
                FocusKeeper::release(gone.row);
            }
            next.append(gone);
        }
    };
    for (const Banner& banner : banners) {
        const auto old = std::find_if(slots_.cbegin() + at, slots_.cend(),
            [&](const Slot& slot) { return slot.id == banner.id && !slot.leaving; });
        if (old != slots_.cend()) {
            takeLeaving(old - slots_.cbegin());
            next.append(*old);
            ++at;
            continue;
        }
        const QUuid id = banner.id;
        Slot slot;
        slot.id = id;
        slot.row = new BannerRow(rowTone(banner.tone), banner.text, [this, id] { model_.banners().dismiss(id); }, this);
        FocusKeeper::mark(slot.row, FocusKeeper::Place::row);
        slot.y = height(); // just below the bottom edge
        slot.row->setOpacity(0);
        slot.row->show();
        next.append(slot);
    }
    takeLeaving(slots_.size());
    slots_ = next;
    for (Slot& slot : slots_) {
        slot.fromY = slot.y;
        slot.fromOpacity = slot.opacity;
    }
    aim();
    place(0);
    QEasingCurve curve;
    curve.setCustomType(spring);
    QPointer<BannerStack> self(this);
    motion_ = Motion::animate(this, 0.0, 1.0, springMs, curve, [self](const QVariant& value) {
        if (self)
            self->place(value.toDouble());
    });
    if (motion_)
        connect(motion_, &QAbstractAnimation::finished, this, &BannerStack::settle);
    else
        settle();
}

int BannerStack::rowWidth() const
{
    return std::max(1, std::min(BannerRow::maximumRowWidth, width() - 2 * margin));
}

void BannerStack::aim()
{
    const int width = rowWidth();
    double y = height() - margin;
    for (auto slot = slots_.rbegin(); slot != slots_.rend(); ++slot) {
        const int rowHeight = slot->row->heightForWidth(width);
        slot->row->resize(width, rowHeight);
        if (slot->leaving) {
            slot->toY = height(); // out past the bottom edge
            slot->toOpacity = 0;
            continue;
        }
        y -= rowHeight;
        slot->toY = y;
        slot->toOpacity = 1;
        y -= spacing;
    }
}

void BannerStack::place(double progress)
{
    const int x = (width() - rowWidth()) / 2;
    for (Slot& slot : slots_) {
        slot.y = slot.fromY + (slot.toY - slot.fromY) * progress;
        slot.opacity = std::clamp(slot.fromOpacity + (slot.toOpacity - slot.fromOpacity) * progress, 0.0, 1.0);
        slot.row->move(x, int(std::lround(slot.y)));
        slot.row->setOpacity(slot.opacity);
    }
    followRows();
}

void BannerStack::settle()
{
    for (Slot& slot : slots_) {
        slot.fromY = slot.toY;
        slot.fromOpacity = slot.toOpacity;
        if (slot.leaving)
            delete slot.row;
    }
    slots_.removeIf([](const Slot& slot) { return slot.leaving; });
    place(1);
}

void BannerStack::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The rows keep to the bottom edge; a running move heads for the new places.
    aim();
    if (!motion_)
        place(1);
}

void BannerStack::followRows()
{
    QRegion rows;
    for (const Slot& slot : std::as_const(slots_))
        rows += slot.row->geometry().marginsAdded(shadowReach);
    // An empty mask would mean no mask at all: then a point outside the stack.
    setMask(rows.isEmpty() ? QRegion(-1, -1, 1, 1) : rows);
}

} // namespace hub
