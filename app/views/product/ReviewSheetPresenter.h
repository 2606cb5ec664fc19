#pragma once

#include "kit/api/ReviewDraft.h"

#include <QString>
#include <optional>

namespace hub {

// The review editor: its texts, the three counters, and whether the draft may go.
struct ReviewSheetPresenter {
    struct Input {
        QString productId;
        bool editing = false; // the user's own review is being changed
        qint64 rating = 0;
        QString title;
        QString body;
        QString name;
        bool sending = false;
    };

    struct Counter {
        QString text; // "12/80"
        bool over = false;
        bool operator==(const Counter&) const = default;
    };

    struct Screen {
        QString heading;
        QString submit; // empty while sending (the spinner shows)
        QString caption;
        int filledStars = 0;
        Counter title;
        Counter body;
        Counter name;
        std::optional<QString> problem; // also the submit button's help
        bool canSubmit = false;
        bool operator==(const Screen&) const = default;
    };

    // The texts as typed; the draft trims them itself.
    static ReviewDraft draft(const Input& input);
    static Screen screen(const Input& input);
    // "Choose a rating" for none (or a stored value outside 1 to 5), else its word.
    static QString caption(qint64 rating);
    // Counts user-perceived characters of the text as typed.
    static Counter counter(const QString& text, qsizetype limit);
    // "1 star", "2 stars".
    static QString starLabel(int stars);
};

} // namespace hub
