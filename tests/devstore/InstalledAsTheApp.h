#pragma once

// What the windowed app leaves behind for the background updater: the demo user's store
// session in the app's keychain item and one product installed in this process's home.

#include "kit/api/KeychainTokenPersistence.h"
#include "kit/api/URLSessionTransport.h"
#include "kit/install/InstallPipeline.h"
#include "kit/security/HostPolicy.h"
#include "kit/security/PinnedTrust.h"
#include "kit/support/AppDirectories.h"

namespace hub::test {

// Signs in and installs the product's current release; returns the installed version.
inline QString installAsTheApp(const QString& productId)
{
    auto client = std::make_shared<MoonbaseClient>(
        HostPolicy::tavren(), std::make_shared<URLSessionTransport>(PinnedTrust::tavren()),
        std::make_shared<KeychainTokenPersistence>(QStringLiteral("com.tavren.hub"), QStringLiteral("moonbase-session")));
    client->signIn(QStringLiteral("demo@tavren.test"), QStringLiteral("demo-pass-1"));
    auto ledger = std::make_shared<InstallLedger>(AppDirectories::support());
    const ProductSummary product = client->product(productId);
    return InstallPipeline::standard(client, ledger)
        .run({product.id, product.name, product.currentVersion.value_or(QString()), product.macDownloads().value(0)}, std::nullopt, {})
        .version;
}

} // namespace hub::test
