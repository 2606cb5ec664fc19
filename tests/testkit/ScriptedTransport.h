#pragma once

#include "kit/api/HTTPTransport.h"

#include <QByteArray>
#include <QList>
#include <functional>
#include <mutex>

namespace hub {

// An HTTPTransport that records every request exactly as it was handed over and
// answers from routes set by the test. Thread-safe; handlers run unlocked, so
// they may block.
class ScriptedTransport : public HTTPTransport {
public:
    using Handler = std::function<HttpResponse(const HttpRequest&)>;

    // Answers requests with this method whose path (and query) starts with
    // `prefix`. The route added last wins; an unrouted request throws TransportError.
    void route(const QByteArray& method, const QByteArray& prefix, Handler handler);
    void route(const QByteArray& method, const QByteArray& prefix, int status, const QByteArray& body);

    HttpResponse send(const HttpRequest& request) override;

    QList<HttpRequest> requests() const;
    QList<HttpRequest> requestsTo(const QByteArray& prefix) const;

    static HttpResponse response(int status, const QByteArray& body);
    // The path and query of an absolute URL: everything after the authority.
    static QByteArray pathOf(const QByteArray& url);

private:
    struct Route {
        QByteArray method;
        QByteArray prefix;
        Handler handler;
    };
    mutable std::mutex mutex_;
    QList<Route> routes_;
    QList<HttpRequest> requests_;
};

} // namespace hub
