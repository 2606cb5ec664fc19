#include "tests/testkit/ScriptedTransport.h"

namespace hub {

void ScriptedTransport::route(const QByteArray& method, const QByteArray& prefix, Handler handler)
{
    std::lock_guard lock(mutex_);
    routes_.prepend({method, prefix, std::move(handler)});
}

void ScriptedTransport::route(const QByteArray& method, const QByteArray& prefix, int status, const QByteArray& body)
{
    route(method, prefix, [status, body](const HttpRequest&) { return response(status, body); });
}

HttpResponse ScriptedTransport::send(const HttpRequest& request)
{
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        requests_.append(request);
        const QByteArray path = pathOf(request.url);
        for (const Route& route : routes_) {
            if (route.method == request.method && path.startsWith(route.prefix)) {
                handler = route.handler;
                break;
            }
        }
    }
    if (!handler)
        throw TransportError(7, QStringLiteral("no route for ") + QString::fromLatin1(request.method + ' ' + request.url));
    return handler(request);
}

QList<HttpRequest> ScriptedTransport::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

QList<HttpRequest> ScriptedTransport::requestsTo(const QByteArray& prefix) const
{
    QList<HttpRequest> out;
    for (const HttpRequest& request : requests()) {
        if (pathOf(request.url).startsWith(prefix))
            out.append(request);
    }
    return out;
}

HttpResponse ScriptedTransport::response(int status, const QByteArray& body)
{
    return HttpResponse{status, {{"Content-Type", "application/json"}}, body};
}

QByteArray ScriptedTransport::pathOf(const QByteArray& url)
{
    const qsizetype scheme = url.indexOf("://");
    if (scheme < 0)
        return url;
    qsizetype start = scheme + 3;
    while (start < url.size() && url[start] != '/' && url[start] != '?')
        ++start;
    return url.mid(start);
}

} // namespace hub
