#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <optional>

namespace hub::devstore {

// HS256 JSON web tokens under one secret.
class TokenSigner {
public:
    explicit TokenSigner(QByteArray secret) : secret_(std::move(secret)) {}

    QByteArray sign(const QJsonObject& payload) const;
    // The payload of a token with a good signature whose "exp" has not passed.
    std::optional<QJsonObject> verify(const QByteArray& token) const;

private:
    QByteArray secret_;
};

} // namespace hub::devstore
