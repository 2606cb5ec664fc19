#include "kit/downloads/Downloader.h"

#include "kit/api/MoonbaseError.h"
#include "kit/downloads/PartialFile.h"
#include "kit/support/AppDirectories.h"

#include <QFile>
#include <curl/curl.h>

namespace hub {

namespace {

bool isRedirect(int status) { return status == 301 || status == 302 || status == 303 || status == 307 || status == 308; }

// A plain decimal of at most 18 digits (no sign, no blanks); -1 for anything else.
qint64 decimal(QByteArrayView text)
{
    if (text.isEmpty() || text.size() > 18)
        return -1;
    qint64 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

struct ContentRange {
    qint64 first;
    qint64 last;
    qint64 total;
};

// "bytes first-last/total", all three known and consistent.
std::optional<ContentRange> contentRange(const HttpHeaders& headers)
{
    const QByteArray value = headerValue(headers, "Content-Range").value_or(QByteArray()).trimmed();
    if (!value.startsWith("bytes "))
        return std::nullopt;
    const QByteArrayView rest = QByteArrayView(value).sliced(6);
    const qsizetype dash = rest.indexOf('-');
    const qsizetype slash = rest.indexOf('/');
    if (dash < 0 || slash < dash)
        return std::nullopt;
    const ContentRange range{decimal(rest.first(dash)), decimal(rest.sliced(dash + 1, slash - dash - 1)),
                             decimal(rest.sliced(slash + 1))};
    if (range.first < 0 || range.last < range.first || range.total <= range.last)
        return std::nullopt;
    return range;
}

// Whether a 206 answers the Range asked for: from `offset` to the end of the file.
bool answersRange(const std::optional<ContentRange>& range, const HttpHeaders& headers, qint64 offset)
{
    if (offset == 0 || !range || range->first != offset || range->last != range->total - 1)
        return false;
    const std::optional<QByteArray> length = headerValue(headers, "Content-Length");
    return !length || decimal(length->trimmed()) == range->last - range->first + 1;
}

// Whether a 206 carries the validator the If-Range was sent with: the same file.
bool sameValidator(const HttpHeaders& headers, const DownloadResumeData& asked)
{
    const QByteArray validator = asked.validator();
    const std::optional<QByteArray> answered = headerValue(headers, validator == asked.etag ? "ETag" : "Last-Modified");
    return answered && answered->trimmed() == validator;
}

} // namespace

Downloader::Downloader(HostPolicy policy, PinnedTrust trust, ConnectionOptions options)
    : Downloader(std::move(policy), std::move(trust), AppDirectories::work(), std::move(options))
{
}

Downloader::Downloader(HostPolicy policy, PinnedTrust trust, QString workFolder, ConnectionOptions options,
                       PinnedExchange::Timeouts timeouts)
    : timeouts_(timeouts), policy_(std::move(policy)), workFolder_(std::move(workFolder)), exchange_(trust, options)
{
}

QString Downloader::download(const QUrl& url, const std::optional<DownloadResumeData>& resumeData,
                             const QString& destination, qint64 maxBytes, const Progress& progress,
                             std::stop_token stop) const
{
    if (!policy_.allowsDownload(url))
        throw MoonbaseError::blockedURL(QString::fromUtf8(url.toEncoded()));

    std::optional<PartialFile> adopted = resumeData ? PartialFile::adopt(workFolder_, *resumeData) : std::nullopt;
    PartialFile file = adopted ? std::move(*adopted) : PartialFile::create(workFolder_);
    DownloadResumeData state{QString::fromUtf8(url.toEncoded()), file.path(), file.size(),
                             adopted ? resumeData->etag : QByteArray(), adopted ? resumeData->lastModified : QByteArray()};

    // What the callbacks record; a recorded failure outranks the stop that ends the transfer.
    // A refusal (an error status, a redirect not taken) says nothing about the bytes
    // kept, so they stay for a retry; any other failure drops them.
    std::exception_ptr failure;
    bool tooLarge = false;
    std::optional<DownloadError> refusal;
    const auto failWith = [&](std::exception_ptr error, bool overCap = false) {
        failure = std::move(error);
        tooLarge = overCap;
        return false;
    };
    const auto refuseWith = [&](DownloadError error) {
        refusal = std::move(error);
        return false;
    };

    // Ends the call. Bytes on disk are kept, as DownloadInterrupted with resume data,
    // when there are any and a validator to resume them with (bytes stay in the file
    // only under the validator of the answer that sent them); otherwise they go and
    // `error` is thrown.
    const auto keepForResume = [&](std::exception_ptr error, DownloadInterrupted::Cause cause, QString reason = {}) {
        file.close();
        state.offset = file.size();
        if (state.offset > 0 && !state.validator().isEmpty())
            throw DownloadInterrupted(state, cause, std::move(reason));
        file.remove();
        std::rethrow_exception(error);
    };

    QUrl current = url;
    int hops = 0;
    while (true) {
        if (file.size() > 0 && state.validator().isEmpty())
            file.truncate();
        const qint64 offset = file.size();
        HttpRequest request{.url = current.toEncoded()};
        if (offset > 0)
            request.headers = {{"Range", "bytes=" + QByteArray::number(offset) + '-'}, {"If-Range", state.validator()}};

        std::optional<QUrl> next;
        bool unsatisfiable = false;
        bool otherFile = false;
        int answered = 0; // the 2xx status whose body is being written
        qint64 expected = -1;
        const auto onHead = [&](int status, const HttpHeaders& headers) {
            try {
                if (isRedirect(status)) {
                    const std::optional<QByteArray> location = headerValue(headers, "Location");
                    if (!location)
                        return refuseWith(DownloadError::httpStatus(status));
                    const QUrl target = current.resolved(QUrl::fromEncoded(location->trimmed()));
                    if (!policy_.allowsDownload(target)) {
                        const QString host = target.host().isEmpty() ? target.toString() : target.host();
                        return refuseWith(DownloadError::insecureRedirect(host));
                    }
                    if (++hops > maxRedirects)
                        return refuseWith(DownloadError::httpStatus(status));
                    next = target;
                    return false;
                }
                if (status == 416 && offset > 0) {
                    unsatisfiable = true;
                    return false;
                }
                if (status < 200 || status > 299)
                    return refuseWith(DownloadError::httpStatus(status));

                const std::optional<QByteArray> etag = headerValue(headers, "ETag");
                const std::optional<QByteArray> lastModified = headerValue(headers, "Last-Modified");
                if (status == 206) {
                    const std::optional<ContentRange> range = contentRange(headers);
                    if (!answersRange(range, headers, offset))
                        return failWith(std::make_exception_ptr(DownloadError::wrongRange()));
                    if (!sameValidator(headers, state)) {
                        otherFile = true; // never spliced onto the old bytes
                        return false;
                    }
                    expected = range->total;
                } else {
                    if (offset > 0)
                        file.truncate(); // the file changed, or the server ignores ranges
                    const std::optional<QByteArray> length = headerValue(headers, "Content-Length");
                    expected = length ? decimal(length->trimmed()) : -1;
                    state.etag = etag.value_or(QByteArray());
                    state.lastModified = lastModified.value_or(QByteArray());
                }
                if (expected > maxBytes)
                    return failWith(std::make_exception_ptr(DownloadError::tooLarge()), true);
                answered = status;
                return true;
            } catch (...) {
                return failWith(std::current_exception());
            }
        };
        const auto onBody = [&](QByteArrayView bytes) {
            try {
                if (file.size() + bytes.size() > maxBytes)
                    return failWith(std::make_exception_ptr(DownloadError::tooLarge()), true);
                if (expected >= 0 && file.size() + bytes.size() > expected)
                    return failWith(std::make_exception_ptr(DownloadError::overrun()));
                if (stop.stop_requested())
                    return false;
                file.write(bytes);
                if (progress)
                    progress(file.size(), expected);
                return true;
            } catch (...) {
                return failWith(std::current_exception());
            }
        };

        PinnedExchange::Outcome outcome = PinnedExchange::Outcome::stopped;
        try {
            outcome = exchange_.perform(request, timeouts_, onHead, onBody, stop);
        } catch (const TransportError& lost) {
            // Lost after an answer, or failed before one: the bytes kept so far still hold either way.
            if (answered != 0)
                keepForResume(std::current_exception(), DownloadInterrupted::Cause::connectionLost);
            keepForResume(std::current_exception(), DownloadInterrupted::Cause::failed, lost.message());
        } catch (...) {
            file.remove();
            throw;
        }
        if (refusal)
            keepForResume(std::make_exception_ptr(*refusal), DownloadInterrupted::Cause::failed, refusal->message());
        if (failure) {
            file.remove();
            if (tooLarge)
                ::unlink(QFile::encodeName(destination).constData());
            std::rethrow_exception(failure);
        }
        // A stop that lands after the last byte has nothing left to pause.
        if (outcome == PinnedExchange::Outcome::stopped && answered != 0 && expected >= 0 && file.size() == expected)
            outcome = PinnedExchange::Outcome::completed;
        if (outcome == PinnedExchange::Outcome::completed) {
            // Only the whole file is put in place; a body that ended early is a lost connection.
            if (expected >= 0 && file.size() != expected)
                keepForResume(std::make_exception_ptr(TransportError(
                                  CURLE_PARTIAL_FILE, QStringLiteral("The connection closed before the whole file arrived."))),
                              DownloadInterrupted::Cause::connectionLost);
            try {
                file.moveTo(destination);
            } catch (...) {
                file.remove();
                throw;
            }
            return destination;
        }
        if (next) {
            current = *next;
        } else if (unsatisfiable || otherFile) {
            file.truncate();
            state.etag.clear();
            state.lastModified.clear();
        } else if (!stop.stop_requested()) { // cannot happen: every other stop is accounted for
            file.remove();
            throw DownloadError::httpStatus(0);
        }
        if (stop.stop_requested())
            keepForResume(std::make_exception_ptr(DownloadInterrupted()), DownloadInterrupted::Cause::stopped);
    }
}

} // namespace hub
