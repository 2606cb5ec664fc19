#pragma once

#include <QSet>
#include <QString>
#include <QUrl>

namespace hub {

struct Deployment;

// The allow-list every network user consults before it contacts a URL.
struct HostPolicy {
    QString apiHost;           // lower case
    QSet<QString> assetHosts;  // lower case, matched exactly
    QSet<QString> downloadDomains; // lower case, matched as a suffix after "."

    static const HostPolicy& tavren();
    // The policy over a deployment's hosts (tavren() is that of Deployment::current()).
    static HostPolicy from(const Deployment& deployment);

    static bool isPlainHTTPS(const QUrl& url);
    bool allowsAPI(const QUrl& url) const;
    bool allowsImage(const QUrl& url) const;
    bool allowsDownload(const QUrl& url) const;
    QUrl apiBase() const;

    bool operator==(const HostPolicy&) const = default;
};

} // namespace hub
