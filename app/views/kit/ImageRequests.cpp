// ImageMemory's requests for bytes: joined by address on the main thread, read from
// memory or disk first (on a pool of their own), fetched from the network with a cap per host.

#include "app/views/kit/ImageMemory.h"

#include <QCoreApplication>
#include <QFuture>
#include <QHash>
#include <QPointer>
#include <QtConcurrent>
#include <deque>

namespace hub::ImageMemory {

namespace {

constexpr int fetchesPerHost = 2;

struct Waiter {
    QPointer<QObject> context;
    BytesDone done;
};

// Main thread only.
struct Requests {
    QHash<QString, QList<Waiter>> waiting; // by address: every request on its way
    QHash<QString, int> fetching;          // network fetches running, by host
    std::deque<QUrl> queued;               // fetches waiting for their host's turn
};

Requests& requests()
{
    static Requests state;
    return state;
}

QString addressOf(const QUrl& url) { return url.toString(); }

void finish(const QUrl& url, const std::optional<QByteArray>& bytes)
{
    for (const Waiter& waiter : requests().waiting.take(addressOf(url))) {
        if (waiter.context)
            waiter.done(bytes);
    }
}

void startFetch(const QUrl& url);

void startQueued()
{
    Requests& state = requests();
    for (auto next = state.queued.begin(); next != state.queued.end();) {
        if (state.fetching.value(next->host()) < fetchesPerHost) {
            const QUrl url = *next;
            state.queued.erase(next);
            startFetch(url);
            next = state.queued.begin();
        } else {
            ++next;
        }
    }
}

void startFetch(const QUrl& url)
{
    Requests& state = requests();
    int& running = state.fetching[url.host()];
    if (running >= fetchesPerHost) {
        state.queued.push_back(url);
        return;
    }
    ++running;
    QtConcurrent::run(&networkPool(), [url] { return fetch(url); }).then(QCoreApplication::instance(), [url](const std::optional<QByteArray>& bytes) {
        Requests& state = requests();
        if (--state.fetching[url.host()] <= 0)
            state.fetching.remove(url.host());
        finish(url, bytes);
        startQueued();
    });
}

} // namespace

void requestBytes(const QUrl& url, QObject* context, BytesDone done)
{
    QList<Waiter>& waiters = requests().waiting[addressOf(url)];
    waiters.append({context, std::move(done)});
    if (waiters.size() > 1)
        return; // joins the request on its way
    QtConcurrent::run(&diskPool(), [url] { return stored(url); }).then(QCoreApplication::instance(), [url](const std::optional<QByteArray>& bytes) {
        if (bytes)
            finish(url, bytes);
        else
            startFetch(url);
    });
}

void waitForIdle()
{
    // Done after three quiet rounds in a row: a continuation may start more work.
    for (int quiet = 0; quiet < 3;) {
        bool busy = !requests().waiting.isEmpty();
        for (QThreadPool* each : {&pool(), &diskPool(), &networkPool(), &backgroundPool()}) {
            busy = busy || each->activeThreadCount() > 0;
            each->waitForDone();
        }
        QCoreApplication::processEvents();
        quiet = busy ? 0 : quiet + 1;
    }
}

} // namespace hub::ImageMemory
