#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace hub {

// Coalesces the change signals a view reads into one rebuild on the next turn of the
// event loop. A page hidden in a shown window waits until it is shown again.
class Rebuilder : public QObject {
    Q_OBJECT

public:
    Rebuilder(QWidget* view, std::function<void()> rebuild);

    template <typename Sender, typename Signal>
    void watch(const Sender* sender, Signal signal)
    {
        connect(sender, signal, this, &Rebuilder::request);
    }

    // Asks for a rebuild; many requests before the next turn make one.
    void request();
    bool pending() const { return pending_; }
    // How many rebuilds have run.
    int count() const { return count_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void run();
    bool waitsForShow() const;

    QPointer<QWidget> view_;
    std::function<void()> rebuild_;
    bool pending_ = false;
    bool scheduled_ = false;
    int count_ = 0;
};

} // namespace hub
