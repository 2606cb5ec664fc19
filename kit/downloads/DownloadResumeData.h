#pragma once

#include <QByteArray>
#include <QString>

namespace hub {

// Where a stopped download can go on: the bytes so far lie in `partialFile`
// (inside the downloader's work folder), and the server's validator says
// whether the file is still the same. The address is kept for the record only;
// a resumed download always fetches the address its caller gives.
struct DownloadResumeData {
    QString url;
    QString partialFile;
    qint64 offset = 0;
    QByteArray etag;         // strong ETag of the file, or empty
    QByteArray lastModified; // Last-Modified of the file, or empty

    // What If-Range carries: the strong ETag, else Last-Modified; empty when neither.
    QByteArray validator() const;

    bool operator==(const DownloadResumeData&) const = default;
};

} // namespace hub
