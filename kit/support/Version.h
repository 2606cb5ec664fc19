#pragma once

#include <QList>
#include <QString>
#include <compare>
#include <cstdint>
#include <optional>

namespace hub {

// A release version as the store publishes it or a bundle states it. Parsing never
// fails: text without a number reads as version 0. Versions order numerically
// component by component (missing components are zeros), then by pre-release label,
// a release sorting after every pre-release of the same numbers. Equality is
// equality of order: 1.0, 1.0.0 and V1.0 are equal.
class Version {
public:
    explicit Version(const QString& text);

    const QString& raw() const { return raw_; }
    const QList<std::int64_t>& numbers() const { return numbers_; }
    const std::optional<QString>& prerelease() const { return prerelease_; }
    // The text exactly as it was given.
    const QString& description() const { return raw_; }

    friend std::weak_ordering operator<=>(const Version& lhs, const Version& rhs);
    friend bool operator==(const Version& lhs, const Version& rhs) { return (lhs <=> rhs) == 0; }

private:
    QString raw_;
    QList<std::int64_t> numbers_;
    std::optional<QString> prerelease_;
};

} // namespace hub
