#pragma once

#include "kit/support/Error.h"

#include <QByteArray>
#include <QList>
#include <chrono>
#include <optional>
#include <stop_token>
#include <utility>

namespace hub {

using HttpHeaders = QList<std::pair<QByteArray, QByteArray>>;

// The first value of a header, matched without regard to case.
std::optional<QByteArray> headerValue(const HttpHeaders& headers, QByteArrayView name);

struct HttpRequest {
    QByteArray method = "GET";
    QByteArray url; // sent exactly as built, never re-encoded
    HttpHeaders headers; // in the order they are sent
    std::optional<QByteArray> body;
    std::chrono::milliseconds timeout{60'000}; // the longest wait for the next data
    std::chrono::milliseconds deadline{0};     // for the whole request; zero: no bound
    // A response body longer than this ends the request with a TransportError.
    std::optional<qint64> maxBodyBytes;
    // Stopping it ends the request at once with a TransportError.
    std::stop_token stop;

    std::optional<QByteArray> header(QByteArrayView name) const { return headerValue(headers, name); }
    bool operator==(const HttpRequest&) const = default;
};

struct HttpResponse {
    int status = 0;
    HttpHeaders headers;
    QByteArray body;

    std::optional<QByteArray> header(QByteArrayView name) const { return headerValue(headers, name); }
};

// A request that never produced an HTTP response: connection, TLS, trust,
// time-out or cancellation. `code` is the transport library's code (curl's) and
// `detail` its own words, for the log; message() says what happened in a short
// sentence of the user's.
class TransportError : public Error {
public:
    TransportError(int code, QString detail) : code(code), detail(std::move(detail)) {}
    QString message() const override;
    bool operator==(const TransportError&) const = default;

    int code;
    QString detail;
};

// The one operation by which the API clients send a request. Blocking and
// thread-safe; errors other than HTTP statuses are thrown.
class HTTPTransport {
public:
    virtual ~HTTPTransport() = default;
    virtual HttpResponse send(const HttpRequest& request) = 0;
};

} // namespace hub
