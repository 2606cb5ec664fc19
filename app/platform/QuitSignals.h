#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace hub {

// SIGTERM and SIGINT as a normal quit: while an object lives, either signal calls its
// function on the thread that made it, through that thread's event loop (the handler
// itself only writes a byte to a pipe). One object per process.
class QuitSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(std::function<void()> quit, QObject* parent = nullptr);
    ~QuitSignals() override;

private:
    std::function<void()> quit_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace hub
