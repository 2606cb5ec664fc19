#pragma once

#include <QString>
#include <QStringList>

namespace hub::devstore {

// An account of the fixture store.
struct StoreAccount {
    QString id;
    QString email; // lower case
    QString name;
    QString password;
    QStringList owned; // product ids, in the order they were granted
    bool confirmed = true;
    QString confirmationCode;
};

} // namespace hub::devstore
