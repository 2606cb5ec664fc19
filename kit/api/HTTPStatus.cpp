#include "kit/api/HTTPStatus.h"

namespace hub {

QString HTTPStatus::phrase(int status)
{
    switch (status) {
    case 300: return QStringLiteral("multiple choices");
    case 301: return QStringLiteral("moved permanently");
    case 302: return QStringLiteral("found");
    case 303: return QStringLiteral("see other");
    case 304: return QStringLiteral("unmodified");
    case 305: return QStringLiteral("needs proxy");
    case 307: return QStringLiteral("redirected");
    case 400: return QStringLiteral("bad request");
    case 401: return QStringLiteral("unauthorized");
    case 402: return QStringLiteral("payment required");
    case 403: return QStringLiteral("forbidden");
    case 404: return QStringLiteral("not found");
    case 405: return QStringLiteral("method not allowed");
    case 406: return QStringLiteral("unacceptable");
    case 407: return QStringLiteral("proxy authentication required");
    case 408: return QStringLiteral("request timed out");
    case 409: return QStringLiteral("conflict");
    case 410: return QStringLiteral("no longer exists");
    case 411: return QStringLiteral("length required");
    case 412: return QStringLiteral("precondition failed");
    case 413: return QStringLiteral("request too large");
    case 414: return QStringLiteral("requested URL too long");
    case 415: return QStringLiteral("unsupported media type");
    case 416: return QStringLiteral("requested range not satisfiable");
    case 417: return QStringLiteral("expectation failed");
    case 422: return QStringLiteral("unprocessable entity");
    case 429: return QStringLiteral("too many requests");
    case 500: return QStringLiteral("internal server error");
    case 501: return QStringLiteral("unimplemented");
    case 502: return QStringLiteral("bad gateway");
    case 503: return QStringLiteral("service unavailable");
    case 504: return QStringLiteral("gateway timed out");
    case 505: return QStringLiteral("unsupported version");
    default: break;
    }
    if (status < 400)
        return QStringLiteral("redirected");
    return status < 500 ? QStringLiteral("client error") : QStringLiteral("server error");
}

} // namespace hub
