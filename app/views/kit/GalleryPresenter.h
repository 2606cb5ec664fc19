#pragma once

#include "kit/api/CatalogExtras.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

namespace hub {

class HostPolicy;

// The plain rules of the screenshot strip, its drawn stand-in cards and the viewer.
struct GalleryPresenter {
    static constexpr int cellWidth = 400;
    static constexpr int cellHeight = 250;
    static constexpr int stripHeight = 258;
    static constexpr int cellPixels = 1200;
    static constexpr int viewerPixels = 2048;

    // The key's screenshots the policy allows as images; none without a feed.
    static QList<QUrl> shots(const std::optional<CatalogExtras>& extras, const QString& key, const HostPolicy& policy);
    // The stand-in cards shown while there are no screenshots.
    static QStringList placeholderKeys();
    // The key's last character as a digit; 0 when it is not one.
    static int variant(const QString& key);

    struct Card {
        bool fromTopLeading = true;     // else from the top trailing corner
        bool highlightTopLeading = false; // else at the bottom trailing corner
        bool operator==(const Card&) const = default;
    };
    static Card card(int variant);

    // "Screenshot 3 of 5", counted from 1.
    static QString cellLabel(int position, qsizetype count);

    // The viewer over `count` screenshots at `index`.
    struct Viewer {
        int index = 0;       // clamped into the list
        QString counter;     // "3 of 5"
        bool canGoBack = false;
        bool canGoForward = false;
        bool operator==(const Viewer&) const = default;
    };
    // None when there is nothing to show (the viewer closes).
    static std::optional<Viewer> viewer(int index, qsizetype count);
    // The index after a step of `delta`, kept within the list; unchanged when it is empty.
    static int step(int index, int delta, qsizetype count);
};

} // namespace hub
