#include "app/views/kit/FocusKeeper.h"

#include <QApplication>
#include <QEvent>
#include <algorithm>
#include <optional>

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

// The Tab stops inside `place`, in the window's Tab order, that stay once `gone` has left.
QList<QWidget*> stops(const QWidget* place, const QWidget* gone)
{
    QList<QWidget*> found = FocusKeeper::tabStops(place);
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
            keeper->leaving(focus, widget);
    widget->setProperty(releasedKey, true);
}

QList<QWidget*> FocusKeeper::tabStops(const QWidget* root)
{
    QList<QWidget*> found;
    QWidget* top = root->window();
    for (QWidget* at = top->nextInFocusChain(); at != top; at = at->nextInFocusChain())
        if ((at->focusPolicy() & Qt::TabFocus) && within(at, root))
            found.append(at);
    return found;
}

bool FocusKeeper::mine(const QWidget* widget) const
{
    return widget && widget->window() == window_;
}

bool FocusKeeper::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type != QEvent::Hide && type != QEvent::DeferredDelete && type != QEvent::Show && type != QEvent::EnabledChange)
        || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    QWidget* focus = QApplication::focusWidget();
    if (!focus || !mine(widget) || widget->isWindow())
        return false;
    if (type == QEvent::Show || type == QEvent::EnabledChange) {
        // A control comes into the slot that holds the focus: it takes it once in place.
        if (held_ && focus == held_ && held_->isAncestorOf(widget) && !filling_) {
            filling_ = true;
            QMetaObject::invokeMethod(this, &FocusKeeper::fill, Qt::QueuedConnection);
        }
        return false;
    }
    // Before Qt moves the focus on to the next Tab stop, or to nothing.
    if ((type == QEvent::DeferredDelete || !event->spontaneous()) && within(focus, widget))
        leaving(focus, widget);
    return false;
}

void FocusKeeper::leaving(QWidget* focus, QWidget* gone)
{
    if (!window_->isVisible())
        return;
    QWidget* slot = nearest(focus, Place::slot);
    QWidget* row = nearest(focus, Place::row);
    QWidget* list = nearest(row ? row : focus, Place::list);
    if (!slot && !row && !list)
        return;
    if (stays(slot, gone)) {
        const int index = int(std::max<qsizetype>(0, stops(slot, nullptr).indexOf(focus)));
        const QList<QWidget*> now = stops(slot, gone);
        if (now.isEmpty())
            return hold(slot, index);
        return now[std::min<qsizetype>(index, now.size() - 1)]->setFocus(Qt::OtherFocusReason);
    }
    if (stays(row, gone))
        return hold(row, 0);
    if (stays(list, gone)) {
        QWidget* next = nextRow(list, row ? row : focus, gone);
        return hold(next ? next : list, 0);
    }
    // Nothing of its place stays shown: the nearest shown widget around what leaves.
    for (QWidget* up = gone->parentWidget(); up && mine(up); up = up->parentWidget())
        if (stays(up, gone))
            return hold(up, 0);
}

void FocusKeeper::focusChanged(QWidget* old, QWidget* now)
{
    if (!mine(old) || (now && !mine(now)))
        return;
    if (!old->isEnabled()) {
        // Disabled: Qt moved the focus on to the next Tab stop, or to nothing.
        leaving(old, old);
    } else if (!now && !old->nextInFocusChain()) {
        // Deleted while it held the focus (out of the Tab order already), perhaps with its parents.
        QWidget* gone = old;
        for (QWidget* up = old->parentWidget(); up && !up->isWindow(); up = up->parentWidget())
            if (!up->nextInFocusChain())
                gone = up;
        leaving(old, gone);
    }
}

QWidget* FocusKeeper::nextRow(QWidget* list, QWidget* row, const QWidget* gone) const
{
    const auto at = [list](const QWidget* widget) {
        const QPoint corner = widget->mapTo(list, QPoint(0, 0));
        return std::pair(corner.y(), corner.x());
    };
    const std::pair from = at(row);
    QWidget* next = nullptr;
    for (QWidget* other : list->findChildren<QWidget*>()) {
        if (other == row || placeOf(other) != Place::row || nearest(other->parentWidget(), Place::list) != list
            || !stays(other, gone) || at(other) < from)
            continue;
        if (!next || at(other) < at(next))
            next = other;
    }
    return next;
}

void FocusKeeper::hold(QWidget* place, int index)
{
    held_ = placeOf(place) == Place::slot ? place : nullptr;
    heldIndex_ = index;
    place->setFocus(Qt::OtherFocusReason);
}

void FocusKeeper::fill()
{
    filling_ = false;
    if (!held_ || QApplication::focusWidget() != held_)
        return;
    const QList<QWidget*> now = stops(held_, nullptr);
    if (now.isEmpty())
        return;
    QWidget* next = now[std::min<qsizetype>(heldIndex_, now.size() - 1)];
    held_ = nullptr;
    next->setFocus(Qt::OtherFocusReason);
}

} // namespace hub
