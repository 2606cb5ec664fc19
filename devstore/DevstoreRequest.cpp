#include "devstore/DevstoreRequest.h"

#include <QHttpServerRequest>
#include <QJsonDocument>
#include <QUrl>

namespace hub::devstore {

namespace {

QString decoded(QByteArrayView encoded)
{
    return QUrl::fromPercentEncoding(encoded.toByteArray());
}

} // namespace

DevstoreRequest DevstoreRequest::from(const QHttpServerRequest& request)
{
    DevstoreRequest out;
    switch (request.method()) {
    case QHttpServerRequest::Method::Get: out.method = "GET"; break;
    case QHttpServerRequest::Method::Post: out.method = "POST"; break;
    case QHttpServerRequest::Method::Patch: out.method = "PATCH"; break;
    case QHttpServerRequest::Method::Put: out.method = "PUT"; break;
    case QHttpServerRequest::Method::Delete: out.method = "DELETE"; break;
    case QHttpServerRequest::Method::Head: out.method = "HEAD"; break;
    default: out.method = "OTHER"; break;
    }
    out.headers = request.headers();
    out.body = request.body();
    QString host = QString::fromLatin1(out.header("Host").value_or(QByteArray())).toLower();
    if (const qsizetype colon = host.lastIndexOf(u':'); colon > 0 && !host.endsWith(u']'))
        host.truncate(colon);
    out.host = host;

    const QUrl url = request.url();
    out.path = url.path(QUrl::FullyEncoded);
    const QByteArray rawPath = out.path.toLatin1();
    for (const QByteArray& segment : rawPath.split('/')) {
        if (!segment.isEmpty())
            out.segments << decoded(segment);
    }
    const QByteArray rawQuery = url.query(QUrl::FullyEncoded).toLatin1();
    for (const QByteArray& item : rawQuery.split('&')) {
        if (item.isEmpty())
            continue;
        const qsizetype equals = item.indexOf('=');
        if (equals < 0)
            out.query.append({decoded(item), QString()});
        else
            out.query.append({decoded(item.first(equals)), decoded(item.sliced(equals + 1))});
    }
    return out;
}

std::optional<QByteArray> DevstoreRequest::header(QByteArrayView name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return std::nullopt;
}

std::optional<QString> DevstoreRequest::queryValue(const QString& name) const
{
    for (const auto& [key, value] : query) {
        if (key == name)
            return value;
    }
    return std::nullopt;
}

std::optional<QByteArray> DevstoreRequest::bearer() const
{
    const std::optional<QByteArray> value = header("Authorization");
    if (!value || !value->startsWith("Bearer "))
        return std::nullopt;
    const QByteArray token = value->mid(7).trimmed();
    return token.isEmpty() ? std::nullopt : std::optional(token);
}

QJsonObject DevstoreRequest::jsonBody() const
{
    return QJsonDocument::fromJson(body).object();
}

bool DevstoreRequest::is(QByteArrayView verb, std::initializer_list<QStringView> pathSegments) const
{
    if (method != verb || segments.size() != qsizetype(pathSegments.size()))
        return false;
    qsizetype i = 0;
    for (QStringView expected : pathSegments) {
        if (expected != u"*" && segments[i] != expected)
            return false;
        ++i;
    }
    return true;
}

} // namespace hub::devstore
