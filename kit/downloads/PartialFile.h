#pragma once

#include "kit/downloads/DownloadResumeData.h"

#include <QByteArrayView>
#include <QString>
#include <optional>

namespace hub {

// The bytes of one download received so far, in a file of the downloader's work
// folder that is owner-only from the moment it exists. Closes its descriptor when
// destroyed; the file itself stays until remove() or moveTo().
class PartialFile {
public:
    // A new empty file in `folder`, named "download-" and six letters or digits.
    // Throws std::system_error.
    static PartialFile create(const QString& folder);
    // Whether a file name is one that create() gives.
    static bool isPartialName(QByteArrayView name);

    // The partial file of earlier resume data, cut to its offset. Nothing (and the
    // name is unlinked) when it is gone, shorter than the offset, has no validator,
    // does not lie in `folder`, or is anything but a regular file with one link.
    static std::optional<PartialFile> adopt(const QString& folder, const DownloadResumeData& data);

    PartialFile(PartialFile&& other) noexcept;
    PartialFile& operator=(PartialFile&&) = delete;
    ~PartialFile();

    const QString& path() const { return path_; }
    qint64 size() const { return size_; }

    void truncate();               // throws std::system_error
    void write(QByteArrayView bytes); // throws std::system_error
    void close();
    void remove();

    // Closes the file and puts it at `destination`, replacing what lies there in
    // one step. On another volume it is copied beside the destination, flushed and
    // renamed there. Throws std::system_error; the file stays where it was then.
    void moveTo(const QString& destination);

private:
    PartialFile(QString path, int fd, qint64 size);

    QString path_;
    int fd_;
    qint64 size_;
};

} // namespace hub
