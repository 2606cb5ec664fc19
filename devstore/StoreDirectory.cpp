#include "devstore/StoreDirectory.h"

#include <QDateTime>
#include <QJsonArray>
#include <QUuid>

namespace hub::devstore {

namespace {

QString fresh() { return QUuid::createUuid().toString(QUuid::WithoutBraces); }

} // namespace

StoreDirectory::StoreDirectory(TokenSigner signer, std::chrono::seconds accessLifetime)
    : signer_(std::move(signer)), accessLifetime_(accessLifetime)
{
}

StoreAccount* StoreDirectory::find(const QString& email)
{
    const auto found = accounts_.find(email.trimmed().toLower());
    return found == accounts_.end() ? nullptr : &found->second;
}

StoreAccount* StoreDirectory::holder(const QByteArray& accessToken)
{
    const std::optional<QJsonObject> payload = signer_.verify(accessToken);
    if (!payload || payload->value("typ").toString() != u"access")
        return nullptr;
    return find(payload->value("email").toString());
}

StoreAccount& StoreDirectory::create(const QString& name, const QString& email, const QString& password, bool confirmed)
{
    StoreAccount account;
    account.id = fresh();
    account.email = email.trimmed().toLower();
    account.name = name;
    account.password = password;
    account.confirmed = confirmed;
    return accounts_[account.email] = account;
}

void StoreDirectory::grant(const QString& email, const QString& productId)
{
    if (StoreAccount* account = find(email); account && !account->owned.contains(productId))
        account->owned << productId;
}

QJsonObject StoreDirectory::user(const StoreAccount& account)
{
    return {{"id", account.id},
            {"email", account.email},
            {"name", account.name},
            {"tenantId", "tavren"},
            {"ownedProducts", QJsonArray::fromStringList(account.owned)},
            {"confirmedAccount", account.confirmed}};
}

QJsonObject StoreDirectory::identityResponse(const StoreAccount& account)
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    QJsonObject response = user(account);
    response.insert("accessToken", QString::fromLatin1(signer_.sign({{"sub", account.id},
                                                                      {"email", account.email},
                                                                      {"typ", "access"},
                                                                      {"iat", now},
                                                                      {"exp", now + qint64(accessLifetime_.count())}})));
    response.insert("refreshToken", QString::fromLatin1(signer_.sign({{"sub", account.id},
                                                                       {"email", account.email},
                                                                       {"typ", "refresh"},
                                                                       {"jti", fresh()},
                                                                       {"exp", now + 30 * 24 * 3600}})));
    return response;
}

std::optional<QJsonObject> StoreDirectory::refresh(const QByteArray& refreshToken)
{
    const std::optional<QJsonObject> payload = signer_.verify(refreshToken);
    if (!payload || payload->value("typ").toString() != u"refresh")
        return std::nullopt;
    const QString id = payload->value("jti").toString();
    StoreAccount* account = find(payload->value("email").toString());
    if (!account || spentRefreshIds_.contains(id))
        return std::nullopt;
    spentRefreshIds_.insert(id);
    return identityResponse(*account);
}

} // namespace hub::devstore
