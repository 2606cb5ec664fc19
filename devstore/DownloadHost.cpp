#include "devstore/DownloadHost.h"

#include "devstore/DevstoreReply.h"
#include "devstore/DownloadStream.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QMessageAuthenticationCode>
#include <QUrl>

namespace hub::devstore {

namespace {

QByteArray httpDate(const QDateTime& time)
{
    return QLocale::c().toString(time.toUTC(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'")).toLatin1();
}

std::pair<int, qint64> send(QTcpSocket* socket, const DevstoreReply& reply)
{
    socket->write(reply.serialized());
    return {reply.status, reply.body.size()};
}

// "bytes=N-" or "bytes=N-M"; nothing for any other form.
std::optional<std::pair<qint64, qint64>> byteRange(const QByteArray& value, qint64 size)
{
    if (!value.startsWith("bytes=") || value.contains(','))
        return std::nullopt;
    const QList<QByteArray> ends = value.mid(6).split('-');
    bool okFirst = false;
    bool okLast = true;
    const qint64 first = ends.value(0).toLongLong(&okFirst);
    qint64 last = size - 1;
    if (ends.size() != 2 || !okFirst)
        return std::nullopt;
    if (!ends[1].isEmpty())
        last = std::min(ends[1].toLongLong(&okLast), size - 1);
    if (!okLast)
        return std::nullopt;
    return std::pair{first, last};
}

} // namespace

DownloadHost::DownloadHost(const LiveCatalog& catalog, DevstoreHosts hosts, QByteArray secret, qint64 throttleKbps)
    : catalog_(catalog), hosts_(std::move(hosts)), secret_(std::move(secret)), bytesPerSecond_(throttleKbps * 1000 / 8)
{
}

QString DownloadHost::signature(const QString& key, qint64 expires) const
{
    const QByteArray mac = QMessageAuthenticationCode::hash((key + u'\n' + QString::number(expires)).toUtf8(), secret_,
                                                            QCryptographicHash::Sha256);
    return QString::fromLatin1(mac.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals).left(32));
}

QString DownloadHost::signedUrl(const BuiltArtifact& artifact) const
{
    const qint64 expires = QDateTime::currentSecsSinceEpoch() + std::chrono::seconds(linkLifetime).count();
    return QStringLiteral("https://%1/f/%2/%3?expires=%4&sig=%5")
            .arg(hosts_.files, artifact.key, QString::fromLatin1(QUrl::toPercentEncoding(artifact.name)),
                 QString::number(expires), signature(artifact.key, expires));
}

std::pair<int, qint64> DownloadHost::serve(const DevstoreRequest& request, QTcpSocket* socket) const
{
    if (request.method != "GET" && request.method != "HEAD")
        return send(socket, DevstoreReply::empty(405));
    if (request.segments.size() != 3 || request.segments[0] != u"f")
        return send(socket, DevstoreReply::problem(404, QStringLiteral("File")));
    const std::optional<BuiltArtifact> artifact = catalog_.byKey(request.segments[1]);
    const qint64 expires = request.queryValue(QStringLiteral("expires")).value_or(QString()).toLongLong();
    if (!artifact || request.segments[2] != artifact->name)
        return send(socket, DevstoreReply::problem(404, QStringLiteral("File")));
    if (request.queryValue(QStringLiteral("sig")) != signature(artifact->key, expires))
        return send(socket, DevstoreReply::problem(403, QStringLiteral("Signature does not match")));
    if (expires < QDateTime::currentSecsSinceEpoch() || fault_ == DownloadFault::expired)
        return send(socket, DevstoreReply::problem(403, QStringLiteral("Request has expired")));

    const QByteArray elsewhere = "/f/" + request.segments[1].toUtf8() + "/"
            + QUrl::toPercentEncoding(artifact->name) + "?expires=" + QByteArray::number(expires) + "&sig="
            + request.queryValue(QStringLiteral("sig"))->toLatin1();
    switch (fault_) {
    case DownloadFault::notFound: return send(socket, DevstoreReply::problem(404, QStringLiteral("File")));
    case DownloadFault::serverError: return send(socket, DevstoreReply::problem(500, QStringLiteral("Storage failed")));
    case DownloadFault::redirectHttp:
        return send(socket, DevstoreReply::redirect(302, "http://" + hosts_.files.toLatin1() + elsewhere));
    case DownloadFault::redirectOffDomain:
        return send(socket, DevstoreReply::redirect(302, "https://files.elsewhere.test" + elsewhere));
    default: break;
    }

    const qint64 size = artifact->size;
    const QByteArray etag = artifact->etag.toLatin1();
    const QByteArray lastModified = httpDate(QFileInfo(artifact->path).lastModified());
    QList<std::pair<QByteArray, QByteArray>> headers{{"Content-Type", "application/octet-stream"},
                                                     {"Accept-Ranges", "bytes"},
                                                     {"ETag", etag},
                                                     {"Last-Modified", lastModified}};

    qint64 from = 0;
    qint64 length = size;
    int status = 200;
    const std::optional<QByteArray> range = request.header("Range");
    const std::optional<QByteArray> ifRange = request.header("If-Range");
    const bool rangeApplies = range && (!ifRange || *ifRange == etag || *ifRange == lastModified);
    if (rangeApplies) {
        const auto bounds = byteRange(*range, size);
        if (bounds && (bounds->first >= size || bounds->first > bounds->second)) {
            DevstoreReply refused = DevstoreReply::empty(416);
            refused.headers = {{"Content-Range", "bytes */" + QByteArray::number(size)}};
            refused.status = 416;
            return send(socket, refused);
        }
        if (bounds) {
            from = bounds->first;
            length = bounds->second - bounds->first + 1;
            status = 206;
            headers.append({"Content-Range", "bytes " + QByteArray::number(from) + '-' + QByteArray::number(from + length - 1)
                                                     + '/' + QByteArray::number(size)});
        }
    }

    DownloadStream::Plan plan;
    plan.from = from;
    plan.length = length;
    plan.bytesPerSecond = bytesPerSecond_;
    qint64 announced = length;
    switch (fault_) {
    case DownloadFault::longerLength:
        announced = length + 4096;
        plan.closeAtEnd = true;
        break;
    case DownloadFault::oneByteMore:
        announced = length + 1;
        plan.tail = QByteArray(1, '\0');
        break;
    case DownloadFault::oneByteLess:
        announced = length - 1;
        plan.length = length - 1;
        break;
    case DownloadFault::stall: plan.stallAfter = length / 2; break;
    default: break;
    }
    headers.append({"Content-Length", QByteArray::number(announced)});

    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + DevstoreReply::reason(status) + "\r\n";
    for (const auto& [name, value] : headers)
        head += name + ": " + value + "\r\n";
    head += "\r\n";
    if (request.method == "HEAD") {
        socket->write(head);
        return {status, announced};
    }
    DownloadStream::start(socket, artifact->path, head, plan);
    return {status, announced};
}

} // namespace hub::devstore
