#pragma once

#include "kit/support/JsonReader.h"

#include <QDateTime>
#include <optional>

namespace hub::MoonbaseDate {

// Reads the store's timestamps: RFC 3339 date-times with or without a fraction
// (cut to milliseconds), and the same without a zone, read as UTC. Gives UTC.
std::optional<QDateTime> parse(QStringView text);

// A date member of a record; a text parse() rejects fails the read with
// "Unrecognised date " and the text.
QDateTime read(const JsonReader& json, QStringView key);
std::optional<QDateTime> readOptional(const JsonReader& json, QStringView key);

} // namespace hub::MoonbaseDate
