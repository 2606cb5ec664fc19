#include "devstore/DevstoreReply.h"

#include <QJsonDocument>

namespace hub::devstore {

DevstoreReply DevstoreReply::json(const QJsonObject& object, int status)
{
    return {status, {{"Content-Type", "application/json"}}, QJsonDocument(object).toJson(QJsonDocument::Compact)};
}

DevstoreReply DevstoreReply::problem(int status, const QString& title, const QString& detail)
{
    QJsonObject body{{"title", title}, {"status", status}};
    if (!detail.isEmpty())
        body.insert("detail", detail);
    return {status, {{"Content-Type", "application/problem+json"}}, QJsonDocument(body).toJson(QJsonDocument::Compact)};
}

DevstoreReply DevstoreReply::message(int status, const QString& text)
{
    return json({{"message", text}}, status);
}

DevstoreReply DevstoreReply::html(const QString& title, const QString& bodyHtml, int status)
{
    const QString page = QStringLiteral("<!doctype html><html><head><meta charset=\"utf-8\"><title>%1</title>"
                                        "<style>body{font-family:sans-serif;max-width:40em;margin:3em auto}"
                                        "button{font-size:1.1em;margin:.3em}</style></head><body>%2</body></html>")
                                 .arg(title.toHtmlEscaped(), bodyHtml);
    return {status, {{"Content-Type", "text/html; charset=utf-8"}}, page.toUtf8()};
}

DevstoreReply DevstoreReply::empty(int status)
{
    return {status, {}, {}};
}

DevstoreReply DevstoreReply::redirect(int status, const QByteArray& location)
{
    return {status, {{"Location", location}}, {}};
}

QByteArray DevstoreReply::reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 206: return "Partial Content";
    case 302: return "Found";
    case 303: return "See Other";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 409: return "Conflict";
    case 416: return "Range Not Satisfiable";
    case 421: return "Misdirected Request";
    case 422: return "Unprocessable Content";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

QByteArray DevstoreReply::serialized() const
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason(status) + "\r\n";
    for (const auto& [name, value] : headers)
        out += name + ": " + value + "\r\n";
    if (status != 204)
        out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    out += "Cache-Control: no-store\r\n\r\n";
    return out + body;
}

} // namespace hub::devstore
