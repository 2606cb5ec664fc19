#include "app/views/kit/Rebuilder.h"

#include <QEvent>

namespace hub {

Rebuilder::Rebuilder(QWidget* view, std::function<void()> rebuild)
    : QObject(view), view_(view), rebuild_(std::move(rebuild))
{
    view->installEventFilter(this);
}

void Rebuilder::request()
{
    pending_ = true;
    if (scheduled_)
        return;
    scheduled_ = true;
    QMetaObject::invokeMethod(this, &Rebuilder::run, Qt::QueuedConnection);
}

bool Rebuilder::waitsForShow() const
{
    return view_ && !view_->isVisible() && view_->window()->isVisible();
}

void Rebuilder::run()
{
    scheduled_ = false;
    if (!pending_ || !view_ || waitsForShow())
        return;
    pending_ = false;
    ++count_;
    rebuild_();
}

bool Rebuilder::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_ && event->type() == QEvent::Show && pending_ && !scheduled_) {
        scheduled_ = true;
        QMetaObject::invokeMethod(this, &Rebuilder::run, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace hub
