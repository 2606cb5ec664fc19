#pragma once

#include <QByteArray>

namespace hub {

// Ed25519 signatures (RFC 8032) through OpenSSL.
namespace Ed25519 {

// True only for a 64-byte signature of `message` by the raw 32-byte `publicKey`.
bool verify(const QByteArray& publicKey, const QByteArray& message, const QByteArray& signature);

} // namespace Ed25519

} // namespace hub
