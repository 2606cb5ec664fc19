#include "app/views/kit/PagePresenter.h"

#include "app/views/kit/Graphemes.h"

#include <QSet>

namespace hub {

QList<StorefrontProduct> PagePresenter::shelfProducts(const QList<StorefrontProduct>& products)
{
    // One cell per id: the keyboard grid keys its cells by id.
    QList<StorefrontProduct> shown;
    QSet<QString> seen;
    for (const StorefrontProduct& product : products) {
        if (shown.size() == shelfLimit)
            break;
        if (seen.contains(product.id))
            continue;
        seen.insert(product.id);
        shown.append(product);
    }
    return shown;
}

QString PagePresenter::tileSubtitle(const StorefrontProduct& product, const QString& category)
{
    return product.tagline.isEmpty() ? category : product.tagline;
}

PagePresenter::Prompt PagePresenter::signInPrompt(bool storeOnly)
{
    if (storeOnly)
        return {QStringLiteral("Connect your store account"), QStringLiteral("Connect")};
    return {QStringLiteral("Sign in"), QStringLiteral("Sign in")};
}

QString PagePresenter::accountLine(bool storeAccount, bool tavrenID)
{
    if (storeAccount && tavrenID)
        return QStringLiteral("Tavren ID and store");
    if (storeAccount)
        return QStringLiteral("Store account");
    if (tavrenID)
        return QStringLiteral("Tavren ID");
    return {};
}

PagePresenter::Footer PagePresenter::footer(bool storeAccount, bool tavrenID, const QString& displayName,
    const std::optional<QString>& displayEmail)
{
    Footer footer;
    footer.signedIn = storeAccount || tavrenID;
    footer.avatarText = displayEmail.value_or(QStringLiteral("?"));
    footer.title = footer.signedIn ? displayName : QStringLiteral("Sign In");
    footer.subtitle = accountLine(storeAccount, tavrenID);
    return footer;
}

QString PagePresenter::initial(const QString& text)
{
    return firstGrapheme(text).toUpper();
}

} // namespace hub
