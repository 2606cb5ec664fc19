#pragma once

#include "kit/support/Error.h"

#include <QString>
#include <optional>

namespace hub {

// A bundle (or disk image) whose signature was refused. `name` is the file name of the checked item.
class VerificationFailure : public Error {
public:
    // unsigned_: "unsigned" is a keyword.
    enum class Kind { unsigned_, invalidSignature, wrongPublisher, notNotarized };

    static VerificationFailure unsigned_(QString name) { return {Kind::unsigned_, std::move(name)}; }
    static VerificationFailure invalidSignature(QString name, QString detail)
    {
        return {Kind::invalidSignature, std::move(name), std::move(detail)};
    }
    // Without a team the signature was ad-hoc (or names no team).
    static VerificationFailure wrongPublisher(QString name, std::optional<QString> team)
    {
        return {Kind::wrongPublisher, std::move(name), {}, std::move(team)};
    }
    static VerificationFailure notNotarized(QString name) { return {Kind::notNotarized, std::move(name)}; }

    QString message() const override;
    bool operator==(const VerificationFailure&) const = default;

    Kind kind;
    QString name;
    QString detail;              // invalidSignature only
    std::optional<QString> team; // wrongPublisher only

private:
    VerificationFailure(Kind kind, QString name, QString detail = {}, std::optional<QString> team = {})
        : kind(kind), name(std::move(name)), detail(std::move(detail)), team(std::move(team))
    {
    }
};

} // namespace hub
