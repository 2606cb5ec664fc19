#pragma once

#include <QObject>
#include <functional>

namespace hub {

// Coalesces many change signals into one rebuild on the next turn of the event loop.
class RebuildSoon : public QObject {
    Q_OBJECT
public:
    RebuildSoon(std::function<void()> rebuild, QObject* parent) : QObject(parent), rebuild_(std::move(rebuild)) {}

    void schedule()
    {
        if (pending_)
            return;
        pending_ = true;
        QMetaObject::invokeMethod(this, [this] { pending_ = false; rebuild_(); }, Qt::QueuedConnection);
    }

private:
    std::function<void()> rebuild_;
    bool pending_ = false;
};

} // namespace hub
