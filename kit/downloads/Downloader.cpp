#include "kit/downloads/Downloader.h"

#include "kit/api/MoonbaseError.h"
#include "kit/support/AppDirectories.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace hub {

namespace {

[[noreturn]] void throwErrno(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

// The bytes received so far, in a file of the work folder that is owner-only
// from the moment it exists.
class PartialFile {
public:
    static PartialFile create(const QString& folder)
    {
        QByteArray path = QFile::encodeName(QDir(folder).filePath(QStringLiteral("download-XXXXXX")));
        const int fd = ::mkostemp(path.data(), O_CLOEXEC); // mode 0600
        if (fd < 0)
            throwErrno("cannot create the download file");
        return PartialFile(QFile::decodeName(path), fd, 0);
    }

    // The partial file of earlier resume data, cut to its offset; nothing when it
    // is gone, changed, or does not lie in the work folder.
    static std::optional<PartialFile> adopt(const QString& folder, const DownloadResumeData& data)
    {
        const QFileInfo info(data.partialFile);
        if (data.partialFile.isEmpty() || QDir(info.absolutePath()).canonicalPath() != QDir(folder).canonicalPath())
            return std::nullopt;
        const QByteArray path = QFile::encodeName(info.absoluteFilePath());
        const int fd = ::open(path.constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
        struct stat status{};
        if (fd >= 0 && ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && data.offset > 0
            && status.st_size >= data.offset && !data.validator().isEmpty()
            && ::ftruncate(fd, data.offset) == 0 && ::lseek(fd, data.offset, SEEK_SET) == data.offset)
            return PartialFile(info.absoluteFilePath(), fd, data.offset);
        if (fd >= 0)
            ::close(fd);
        ::unlink(path.constData());
        return std::nullopt;
    }

    PartialFile(PartialFile&& other) noexcept : path_(other.path_), fd_(std::exchange(other.fd_, -1)), size_(other.size_) {}
    PartialFile& operator=(PartialFile&&) = delete;
    ~PartialFile() { close(); }

    const QString& path() const { return path_; }
    qint64 size() const { return size_; }

    void truncate()
    {
        if (::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) != 0)
            throwErrno("cannot rewrite the download file");
        size_ = 0;
    }

    void write(QByteArrayView bytes)
    {
        const char* data = bytes.data();
        qsizetype left = bytes.size();
        while (left > 0) {
            const ssize_t written = ::write(fd_, data, size_t(left));
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0)
                throwErrno("cannot write the download file");
            data += written;
            left -= written;
            size_ += written;
        }
    }

    void close()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

    void remove()
    {
        close();
        ::unlink(QFile::encodeName(path_).constData());
    }

    // Closes the file and puts it at `destination`, replacing what lies there in
    // one step. No fsync: the file is a throw-away copy that is checked (size,
    // signature) before anything uses it, and syncing a gigabyte halves the speed.
    void moveTo(const QString& destination)
    {
        close();
        if (::rename(QFile::encodeName(path_).constData(), QFile::encodeName(destination).constData()) != 0)
            throwErrno("cannot move the download into place");
    }

private:
    PartialFile(QString path, int fd, qint64 size) : path_(std::move(path)), fd_(fd), size_(size) {}

    QString path_;
    int fd_;
    qint64 size_;
};

bool isRedirect(int status) { return status == 301 || status == 302 || status == 303 || status == 307 || status == 308; }

// "bytes first-last/total": first and total (-1 when "*").
std::optional<std::pair<qint64, qint64>> contentRange(const HttpHeaders& headers)
{
    const QByteArray value = headerValue(headers, "Content-Range").value_or(QByteArray()).trimmed();
    if (!value.startsWith("bytes "))
        return std::nullopt;
    const qsizetype dash = value.indexOf('-');
    const qsizetype slash = value.indexOf('/');
    if (dash < 0 || slash < dash)
        return std::nullopt;
    bool firstOk = false;
    bool totalOk = false;
    const qint64 first = value.mid(6, dash - 6).toLongLong(&firstOk);
    const QByteArray totalText = value.mid(slash + 1);
    const qint64 total = totalText == "*" ? -1 : totalText.toLongLong(&totalOk);
    if (!firstOk || (totalText != "*" && !totalOk))
        return std::nullopt;
    return std::pair{first, total};
}

} // namespace

Downloader::Downloader(HostPolicy policy, PinnedTrust trust, ConnectionOptions options)
    : Downloader(std::move(policy), std::move(trust), AppDirectories::work(), std::move(options))
{
}

Downloader::Downloader(HostPolicy policy, PinnedTrust trust, QString workFolder, ConnectionOptions options)
    : policy_(std::move(policy)), workFolder_(std::move(workFolder)), exchange_(trust, options)
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
    std::exception_ptr failure;
    bool tooLarge = false;
    const auto failWith = [&](std::exception_ptr error, bool overCap = false) {
        failure = std::move(error);
        tooLarge = overCap;
        return false;
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
        qint64 expected = -1;
        const auto onHead = [&](int status, const HttpHeaders& headers) {
            try {
                if (isRedirect(status)) {
                    const std::optional<QByteArray> location = headerValue(headers, "Location");
                    if (!location)
                        return failWith(std::make_exception_ptr(DownloadError::httpStatus(status)));
                    const QUrl target = current.resolved(QUrl::fromEncoded(location->trimmed()));
                    if (!policy_.allowsDownload(target)) {
                        const QString host = target.host().isEmpty() ? target.toString() : target.host();
                        return failWith(std::make_exception_ptr(DownloadError::insecureRedirect(host)));
                    }
                    if (++hops > maxRedirects)
                        return failWith(std::make_exception_ptr(DownloadError::httpStatus(status)));
                    next = target;
                    return false;
                }
                if (status == 416 && offset > 0) {
                    unsatisfiable = true;
                    return false;
                }
                if (status < 200 || status > 299)
                    return failWith(std::make_exception_ptr(DownloadError::httpStatus(status)));

                const std::optional<QByteArray> etag = headerValue(headers, "ETag");
                const std::optional<QByteArray> lastModified = headerValue(headers, "Last-Modified");
                if (status == 206) {
                    const auto range = contentRange(headers);
                    if (offset == 0 || !range || range->first != offset)
                        return failWith(std::make_exception_ptr(DownloadError::httpStatus(status)));
                    expected = range->second;
                    state.etag = etag.value_or(state.etag);
                    state.lastModified = lastModified.value_or(state.lastModified);
                } else {
                    if (offset > 0)
                        file.truncate(); // the file changed, or the server ignores ranges
                    bool known = false;
                    const qint64 length = headerValue(headers, "Content-Length").value_or("").toLongLong(&known);
                    expected = known ? length : -1;
                    state.etag = etag.value_or(QByteArray());
                    state.lastModified = lastModified.value_or(QByteArray());
                }
                if (expected > maxBytes)
                    return failWith(std::make_exception_ptr(DownloadError::tooLarge()), true);
                return true;
            } catch (...) {
                return failWith(std::current_exception());
            }
        };
        const auto onBody = [&](QByteArrayView bytes) {
            try {
                if (file.size() + bytes.size() > maxBytes)
                    return failWith(std::make_exception_ptr(DownloadError::tooLarge()), true);
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

        PinnedExchange::Outcome outcome;
        try {
            outcome = exchange_.perform(request, timeouts, onHead, onBody, stop);
        } catch (...) {
            file.remove();
            throw;
        }
        if (failure) {
            file.remove();
            if (tooLarge)
                ::unlink(QFile::encodeName(destination).constData());
            std::rethrow_exception(failure);
        }
        if (outcome == PinnedExchange::Outcome::completed) {
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
        } else if (unsatisfiable) {
            file.truncate();
        } else if (!stop.stop_requested()) { // cannot happen: every other stop is accounted for
            file.remove();
            throw DownloadError::httpStatus(0);
        }
        if (stop.stop_requested()) {
            file.close();
            state.offset = file.size();
            if (state.offset > 0 && !state.validator().isEmpty())
                throw DownloadInterrupted(state);
            file.remove();
            throw DownloadInterrupted();
        }
    }
}

} // namespace hub
