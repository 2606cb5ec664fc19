#pragma once

#include <QByteArray>
#include <QVariant>
#include <optional>

namespace hub {

// Property lists, XML or binary, read through libplist into Qt values: dictionaries become
// QVariantMap, arrays QVariantList, strings QString, data QByteArray, dates QDateTime (UTC),
// integers qint64, reals double, booleans bool.
struct PropertyList {
    // The parsed top-level value, or nothing when the bytes are not a property list.
    static std::optional<QVariant> parse(const QByteArray& bytes);
};

} // namespace hub
