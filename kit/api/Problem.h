#pragma once

#include "kit/support/JsonReader.h"

#include <QString>
#include <optional>

namespace hub {

// The problem-details body the store sends with a failing status. Any object reads.
struct Problem {
    std::optional<QString> title;
    std::optional<QString> detail;
    std::optional<qint64> status;

    static Problem fromJson(const JsonReader& json)
    {
        return {json.optionalString(u"title"), json.optionalString(u"detail"), json.optionalInteger(u"status")};
    }
};

} // namespace hub
