#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <utility>

namespace hub::devstore {

// A whole answer, written at once.
struct DevstoreReply {
    int status = 200;
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;

    static DevstoreReply json(const QJsonObject& object, int status = 200);
    // A problem body (application/problem+json) with a title and an optional detail.
    static DevstoreReply problem(int status, const QString& title, const QString& detail = {});
    // The identity service's error body: {"message": ...}.
    static DevstoreReply message(int status, const QString& text);
    static DevstoreReply html(const QString& title, const QString& bodyHtml, int status = 200);
    static DevstoreReply empty(int status = 204);
    static DevstoreReply redirect(int status, const QByteArray& location);

    // The status line, headers (Content-Length added) and body.
    QByteArray serialized() const;
    static QByteArray reason(int status);
};

} // namespace hub::devstore
