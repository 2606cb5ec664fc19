#pragma once

#include "kit/support/Hashing.h"
#include "kit/support/JsonReader.h"

#include <QJsonObject>
#include <QString>
#include <optional>

namespace hub {

// A review being written, and the body of a post. Characters are user-perceived
// characters (extended grapheme clusters), so an emoji sequence counts once.
struct ReviewDraft {
    static constexpr qsizetype titleLimit = 80;
    static constexpr qsizetype bodyLimit = 2000;
    static constexpr qsizetype nameLimit = 40;

    QString productId;
    qint64 rating = 0; // valid from 1 to 5
    QString title;
    QString body;
    std::optional<QString> displayName; // absent when the user gave none

    // Title, body and name trimmed of white space and line breaks at both ends; a
    // name left empty becomes absent.
    ReviewDraft normalized() const;
    // What keeps the normalized draft from being sent, first fault only; nothing when it may go.
    std::optional<QString> problem() const;

    // The number of user-perceived characters (the sheet's counters use it too).
    static qsizetype characterCount(QStringView text);
    // Removes Unicode space separators, U+2028, U+2029, tab, U+000A to U+000D and U+0085 from both ends.
    static QString trimmed(QStringView text);

    static ReviewDraft fromJson(const JsonReader& json);
    // "displayName" only when present.
    QJsonObject toJson() const;
    bool operator==(const ReviewDraft&) const = default;
};

inline size_t qHash(const ReviewDraft& d, size_t seed = 0)
{
    return hashing::fields(seed, d.productId, d.rating, d.title, d.body, d.displayName);
}

} // namespace hub
