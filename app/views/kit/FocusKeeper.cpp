#include "app/views/kit/FocusKeeper.h"

#include <QApplication>
#include <QEvent>
#include <algorithm>
#include <optional>
#include <utility>

namespace hub {

namespace {

constexpr char placeKey[] = "hubFocusPlace";
constexpr char releasedKey[] = "hubFocusReleased";

std::optional<FocusKeeper::Place> placeOf(const QWidget* widget)
{
    const QVariant place = widget->property(placeKey);
    return place.isValid() ? std::optional(FocusKeeper::Place(place.toInt())) : std::nullopt;
}

bool within(const QWidget* widget, const QWidget* root)
{
    return root && (widget == root || root->isAncestorOf(widget));
}

bool isStop(const QWidget* widget)
{
    return widget->focusPolicy() & Qt::TabFocus;
}

// Whether `widget` can hold the focus once `gone` has left.
bool stays(const QWidget* widget, const QWidget* gone)
{
    if (!widget || within(widget, gone) || !widget->isVisible() || !widget->isEnabled())
        return false;
    for (const QWidget* up = widget; up; up = up->parentWidget())
        if (up->property(releasedKey).toBool())
            return false;
    return true;
}

QWidget* nearest(QWidget* from, FocusKeeper::Place place)
{
    for (QWidget* up = from; up; up = up->parentWidget())
        if (placeOf(up) == place)
            return up;
    return nullptr;
}

void collect(QWidget* root, const QWidget* skip, QList<QWidget*>& found)
{
    if (isStop(root))
        found.append(root);
    for (QObject* child : root->children()) {
        // A widget in its destructor holds null entries for the children it has deleted.
        if (!child || child == skip || !child->isWidgetType() || static_cast<QWidget*>(child)->isWindow())
            continue;
        collect(static_cast<QWidget*>(child), skip, found);
    }
}

// The Tab stops inside `place` that stay once `gone` has left.
QList<QWidget*> stops(const QWidget* place, const QWidget* gone)
{
    QList<QWidget*> found = FocusKeeper::tabStops(place, gone);
    found.removeIf([gone](const QWidget* stop) { return !stays(stop, gone); });
    return found;
}

} // namespace

FocusKeeper::FocusKeeper(QWidget* window) : QObject(window), window_(window)
{
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, &FocusKeeper::focusChanged);
}

void FocusKeeper::mark(QWidget* widget, Place place)
{
    widget->setProperty(placeKey, int(place));
}

void FocusKeeper::release(QWidget* widget)
{
    QWidget* focus = QApplication::focusWidget();
    if (focus && within(focus, widget))
        if (auto* keeper = widget->window()->findChild<FocusKeeper*>(QString(), Qt::FindDirectChildrenOnly))
            keeper->leaving(focus, widget, false);
    widget->setProperty(releasedKey, true);
    for (QWidget* stop : tabStops(widget))
        stop->setFocusPolicy(Qt::NoFocus);
}

QList<QWidget*> FocusKeeper::tabStops(const QWidget* root, const QWidget* skip)
{
    QList<QWidget*> found;
    if (root != skip)
        collect(const_cast<QWidget*>(root), skip, found);
    return found;
}

QWidget* FocusKeeper::stopBefore(const QWidget* place)
{
    const QWidget* top = place->window();
    QWidget* before = place->previousInFocusChain();
    while (before != top && (!isStop(before) || within(before, place)))
        before = before->previousInFocusChain();
    return before == top ? nullptr : before;
}

void FocusKeeper::arrange(QWidget* before, QWidget* place)
{
    for (QWidget* stop : tabStops(place)) {
        if (before)
            QWidget::setTabOrder(before, stop);
        before = stop;
    }
}

void FocusKeeper::arrange(QWidget* list, const QList<QWidget*>& rows)
{
    QWidget* before = stopBefore(list);
    for (QWidget* row : rows) {
        arrange(before, row);
        if (const QList<QWidget*> own = tabStops(row); !own.isEmpty())
            before = own.last();
    }
}

bool FocusKeeper::mine(const QWidget* widget) const
{
    return widget && widget->window() == window_;
}

bool FocusKeeper::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::MouseButtonPress) {
        standIn_ = nullptr; // the user acts: where the focus stands now is theirs
        return false;
    }
    if ((type != QEvent::Hide && type != QEvent::DeferredDelete && type != QEvent::Show && type != QEvent::EnabledChange)
        || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    QWidget* focus = QApplication::focusWidget();
    if (!focus || !mine(widget) || widget->isWindow())
        return false;
    if (type == QEvent::Show || type == QEvent::EnabledChange) {
        // A control comes into the slot that held the focus: it takes it once in place.
        const bool waiting = focus == held_ || (standIn_ && focus == standIn_);
        if (held_ && waiting && held_->isAncestorOf(widget) && !filling_) {
            filling_ = true;
            QMetaObject::invokeMethod(this, &FocusKeeper::fill, Qt::QueuedConnection);
        }
        return false;
    }
    // Before Qt moves the focus on to the next Tab stop, or to nothing.
    if ((type == QEvent::DeferredDelete || !event->spontaneous()) && within(focus, widget))
        leaving(focus, widget, false);
    return false;
}

void FocusKeeper::leaving(QWidget* focus, QWidget* gone, bool dying)
{
    if (!window_->isVisible())
        return;
    QWidget* slot = nearest(focus, Place::slot);
    QWidget* row = nearest(focus, Place::row);
    QWidget* list = nearest(row ? row : focus, Place::list);
    if (!slot && !row && !list)
        return;
    if (stays(slot, gone)) {
        const int index = int(std::max<qsizetype>(0, tabStops(slot, dying ? gone : nullptr).indexOf(focus)));
        const QList<QWidget*> now = stops(slot, gone);
        if (now.isEmpty())
            return hold(slot, index);
        return give(now[std::min<qsizetype>(index, now.size() - 1)]);
    }
    // A widget in its destructor has left the Tab chain: its place is found by where it stood.
    give(dying ? nearby(gone, row, list) : onward(focus, gone, row, list));
}

void FocusKeeper::focusChanged(QWidget* old, QWidget* now)
{
    if (!mine(old) || (now && !mine(now)))
        return;
    if (!old->isEnabled()) {
        // Disabled: Qt moved the focus on to the next Tab stop, or to nothing.
        leaving(old, old, false);
    } else if (!now && !old->nextInFocusChain()) {
        // Deleted while it held the focus (out of the Tab order already), perhaps with its parents.
        QWidget* gone = old;
        for (QWidget* up = old->parentWidget(); up && !up->isWindow(); up = up->parentWidget())
            if (!up->nextInFocusChain())
                gone = up;
        leaving(old, gone, true);
    }
}

// The next stop after `from` along the Tab chain that stays: in its row, else in its list,
// else the one before it in the list, else the next one of the window. Each walk stops at the
// first stop outside what it looks in, so it costs the stops passed, not the list's length.
QWidget* FocusKeeper::onward(QWidget* from, const QWidget* gone, QWidget* row, QWidget* list) const
{
    const auto walk = [&](bool forward, const QWidget* inside) -> QWidget* {
        bool around = false; // past the window once: the whole chain is walked
        for (QWidget* at = from;;) {
            at = forward ? at->nextInFocusChain() : at->previousInFocusChain();
            if (!at || at == from || (at == window_ && std::exchange(around, true)))
                return nullptr;
            if (at == window_ || !isStop(at) || within(at, gone) || within(at, from))
                continue;
            if (inside && !within(at, inside))
                return nullptr;
            if (stays(at, gone))
                return at;
        }
    };
    QWidget* next = stays(row, gone) ? walk(true, row) : nullptr;
    if (!next && stays(list, gone))
        next = walk(true, list);
    if (!next && stays(list, gone))
        next = walk(false, list);
    return next ? next : walk(true, nullptr);
}

// For a place that has left the Tab chain: the stop that stands first after it in its row,
// else in its list, else in the nearest shown widget around it; else the last one before it.
QWidget* FocusKeeper::nearby(const QWidget* gone, QWidget* row, QWidget* list) const
{
    QList<QWidget*> areas{row, list};
    const QWidget* outer = list ? list : row ? row : gone;
    for (QWidget* up = outer->parentWidget(); up && mine(up); up = up->parentWidget())
        areas.append(up);
    areas.removeIf([gone](const QWidget* area) { return !stays(area, gone); });
    for (const bool forward : {true, false}) {
        for (QWidget* area : std::as_const(areas)) {
            const auto at = [area](const QWidget* widget) {
                const QPoint corner = widget->mapTo(area, QPoint(0, 0));
                return std::pair(corner.y(), corner.x());
            };
            const std::pair from = at(gone);
            QWidget* found = nullptr;
            for (QWidget* stop : stops(area, gone)) {
                const bool side = forward ? at(stop) >= from : at(stop) < from;
                if (side && (!found || (forward ? at(stop) < at(found) : at(stop) >= at(found))))
                    found = stop;
            }
            if (found)
                return found;
        }
    }
    return nullptr;
}

void FocusKeeper::give(QWidget* stop)
{
    if (stop)
        stop->setFocus(Qt::TabFocusReason); // by the keyboard's way: a cell shows its ring
}

void FocusKeeper::hold(QWidget* slot, int index)
{
    // For a turn: what takes the slot's place comes in at once when it is made anew.
    held_ = slot;
    heldIndex_ = index;
    standIn_ = nullptr;
    slot->setFocus(Qt::OtherFocusReason);
    if (!filling_) {
        filling_ = true;
        QMetaObject::invokeMethod(this, &FocusKeeper::fill, Qt::QueuedConnection);
    }
}

void FocusKeeper::fill()
{
    filling_ = false;
    QWidget* focus = QApplication::focusWidget();
    if (!held_ || !focus || (focus != held_ && focus != standIn_))
        return;
    const QList<QWidget*> now = stops(held_, nullptr);
    if (!now.isEmpty()) {
        held_ = nullptr;
        standIn_ = nullptr;
        return give(now[std::min<qsizetype>(heldIndex_, now.size() - 1)]);
    }
    if (focus != held_)
        return;
    // Nothing in the slot takes the focus: the next stop keeps it, with its ring, until the
    // slot shows one again or the user moves on.
    QWidget* row = nearest(held_, Place::row);
    QWidget* next = nearby(held_, row, nearest(row ? row : held_.data(), Place::list));
    give(next);
    standIn_ = next;
}

} // namespace hub
