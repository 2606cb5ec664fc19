#pragma once

#include "kit/security/CodeVerifier.h"
#include "kit/support/BundleKind.h"
#include "kit/support/JsonReader.h"

#include <QJsonObject>
#include <QString>
#include <QUrl>
#include <optional>

namespace hub {

// One bundle that an install placed, as the install record keeps it.
struct InstalledItem {
    QString path; // absolute path of the placed bundle
    BundleKind kind;
    QString identifier; // code-signing identifier
    QString teamID;
    std::optional<QString> version;

    QUrl url() const { return QUrl::fromLocalFile(path); }
    QString name() const; // last path component, e.g. Synth.vst3
    // Whether the product's bundle is there: whether the item's code stands at its path (see holds).
    bool present(const CodeVerifier& verifier) const { return holds(verifier, path, identifier, teamID); }
    // Whether the product's bundle is there as far as the file system tells: something that is
    // not a link stands at the path (a dangling link is gone, a live one is not the bundle).
    bool present() const { return present(path); }
    static bool present(const QString& path);
    // Whether anything is in the way at the path, a dangling link included: a link is never followed.
    static bool occupied(const QString& path);
    // Whether the bundle at the path, itself and not a link, verifies as the code of the identifier and team.
    static bool holds(const CodeVerifier& verifier, const QString& path, const QString& identifier, const QString& teamID);

    // {"path","kind","identifier","teamID","version"?}; an unknown kind fails reading.
    QJsonObject toJson() const;
    static InstalledItem fromJson(const JsonReader& reader); // throws JsonError

    bool operator==(const InstalledItem& other) const;
};

size_t qHash(const InstalledItem& item, size_t seed = 0);

} // namespace hub
