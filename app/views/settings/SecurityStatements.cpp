#include "app/views/settings/SecurityStatements.h"

#include "app/views/kit/SymbolName.h"
#include "kit/deployment/Deployment.h"

namespace hub {

QList<SecurityStatements::Section> SecurityStatements::sections(const QString& storeApiHost, const QString& identityHost)
{
    const auto rows = [](std::initializer_list<QString> texts) {
        QList<Statement> list;
        for (const QString& text : texts)
            list.append({true, text});
        return list;
    };
    return {
        {QStringLiteral("Every install"),
         rows({
             QStringLiteral("Every app and plug-in must carry Tavren's Developer ID signature. Anything else is refused."),
             QStringLiteral("Signatures are checked across all architectures and nested code, before install and again "
                            "where the files land. Certificate revocation is not checked."),
             QStringLiteral("Apps must be notarized, with a notarization ticket stapled in the app and checked offline."),
             QStringLiteral("An older release never replaces a newer one."),
             QStringLiteral("Installer packages are unpacked and their scripts are never run. Nothing asks for an "
                            "administrator password."),
             QStringLiteral("Replaced and removed versions go to the Trash."),
         })},
        {QStringLiteral("Network"),
         rows({
             QStringLiteral("Store and account traffic goes only to %1 and %2, pinned to the certificate authorities "
                            "those servers use. A certificate from any other authority is refused.")
                 .arg(storeApiHost, identityHost),
             QStringLiteral("HTTPS only, no cookies, no cache, no redirects."),
         })},
        {QStringLiteral("Updates to this app"),
         rows({
             QStringLiteral("New versions are checked hourly and, where this copy can update itself and you allow it, "
                            "installed automatically. The update feed and the download must both carry Tavren's EdDSA "
                            "signature."),
         })},
        {QStringLiteral("Account and payment"),
         rows({
             QStringLiteral("Both sessions live in the system keyring, on this computer only. Passwords are never stored."),
             QStringLiteral("Browser sign-in returns to this computer only, and only for the request this window started."),
             QStringLiteral("Checkout runs on the store's payment page in a private web view, limited to the store and "
                            "its payment processors. Card details never reach this app."),
         })},
    };
}

QList<SecurityStatements::Section> SecurityStatements::current()
{
    const Deployment& deployment = Deployment::current();
    return sections(deployment.apiHost, deployment.identityHost);
}

QString SecurityStatements::symbol(bool ok)
{
    return ok ? "checkmark.shield.fill"_symbol : "exclamationmark.shield.fill"_symbol;
}

} // namespace hub
