#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

class QHttpServerRequest;

namespace hub::devstore {

// One request as the services see it: the host without its port, the path split into
// percent-decoded segments (so "%2F" stays inside its segment) and the decoded query.
struct DevstoreRequest {
    QByteArray method;
    QString host;
    QString path;           // as sent, still percent-encoded
    QStringList segments;   // decoded; "/a/b%2Fc" gives {"a", "b/c"}
    QList<std::pair<QString, QString>> query; // decoded, in order
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;

    static DevstoreRequest from(const QHttpServerRequest& request);

    std::optional<QByteArray> header(QByteArrayView name) const;
    std::optional<QString> queryValue(const QString& name) const;
    // The token of "Authorization: Bearer <token>".
    std::optional<QByteArray> bearer() const;
    // The body as a JSON object; empty when it is not one.
    QJsonObject jsonBody() const;
    bool is(QByteArrayView verb, std::initializer_list<QStringView> pathSegments) const;
};

} // namespace hub::devstore
