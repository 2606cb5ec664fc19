#pragma once

#include "kit/support/Error.h"

namespace hub {

// The error of every network client, with the sentence the user sees.
class MoonbaseError : public Error {
public:
    enum class Kind { notFound, forbidden, server, decoding, blockedURL, notSignedIn, invalidCredentials };

    static MoonbaseError notFound(QString message) { return {Kind::notFound, std::move(message)}; }
    static MoonbaseError forbidden(QString message) { return {Kind::forbidden, std::move(message)}; }
    static MoonbaseError server(int status, QString detail) { return {Kind::server, std::move(detail), status}; }
    static MoonbaseError decoding(QString description) { return {Kind::decoding, std::move(description)}; }
    static MoonbaseError blockedURL(QString target) { return {Kind::blockedURL, std::move(target)}; }
    static MoonbaseError notSignedIn() { return {Kind::notSignedIn}; }
    static MoonbaseError invalidCredentials() { return {Kind::invalidCredentials}; }

    QString message() const override;
    bool operator==(const MoonbaseError&) const = default;

    Kind kind;
    QString text; // the case's text: message, detail, description or refused address
    int status = 0; // server only

private:
    MoonbaseError(Kind kind, QString text = {}, int status = 0) : kind(kind), text(std::move(text)), status(status) {}
};

} // namespace hub
