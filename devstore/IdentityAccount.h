#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace hub::devstore {

// An account of the identity service.
struct IdentityAccount {
    QString id;
    QString email; // lower case
    QString createdAt;
    QJsonArray externalAccounts;
    QStringList linkedEmails;
    int recoveryCodesRemaining = 10;
    QStringList extraProducts; // owned here beyond the store account of the same email
    QList<QJsonObject> sessions; // the first is the hub's own
    QJsonArray purchases;
};

} // namespace hub::devstore
