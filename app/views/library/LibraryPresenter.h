#pragma once

#include "kit/api/StorefrontProduct.h"

#include <QList>
#include <QSet>
#include <QString>
#include <optional>

namespace hub {

// The Library screen from plain values: which of its three states shows, the
// count line, the store callout and the owned products the chosen filter keeps.
struct LibraryPresenter {
    enum class Filter { all, installed, notInstalled };
    enum class State { signedOut, empty, list };

    // all, installed, notInstalled.
    static const QList<Filter>& filters();
    // "All", "Installed", "Not Installed": also the segment's label.
    static QString toString(Filter filter);
    // Exactly one of the three labels, case-sensitive.
    static std::optional<Filter> fromString(const QString& raw);

    struct Input {
        bool storeConnected = false;
        bool tavrenSignedIn = false;
        QList<StorefrontProduct> owned; // the model's order
        QSet<QString> recorded;         // product ids with an install record
        int installedCount = 0;         // every install record, owned or not
        Filter filter = Filter::all;
    };

    struct Screen {
        State state = State::signedOut;
        QString countLine;
        bool showsCallout = false;
        QList<StorefrontProduct> rows;
    };

    static Screen present(const Input& input);
    static QList<StorefrontProduct> filtered(const Input& input);

    static inline const QString title = QStringLiteral("Library");
    static inline const QString signInReason
        = QStringLiteral("Your library lists everything you own on the Tavren store, ready to install.");
    static inline const QString emptyTitle = QStringLiteral("Nothing here yet");
    static inline const QString emptyMessage = QStringLiteral(
        "The products you buy show up here. If you bought with another e-mail address, link it to your "
        "Tavren ID on the Tavren website.");
    static inline const QString discover = QStringLiteral("Discover");
    static inline const QString calloutTitle = QStringLiteral("Connect your store account to install");
    static inline const QString calloutMessage = QStringLiteral(
        "Your Tavren ID shows what you own; downloads come from the store account you bought with.");
    static inline const QString connect = QStringLiteral("Connect");
    static inline const QString connectReason
        = QStringLiteral("Sign in with the email you bought with. You only do this once on this computer.");
};

} // namespace hub
