#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace hub {

// One generic-password item of the user's keychain, addressed by service and
// account. Keeps no state; every operation is one keychain call on the calling thread.
// Failures throw KeychainError.
struct KeychainItem {
    QString service;
    QString account;

    // Nothing when the item does not exist.
    std::optional<QByteArray> read() const;
    // Creates the item or replaces its data.
    void write(const QByteArray& data) const;
    // Deleting a missing item is no error.
    void remove() const;

    bool operator==(const KeychainItem&) const = default;
};

} // namespace hub
