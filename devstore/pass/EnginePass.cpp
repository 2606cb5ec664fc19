// tavren-engine-pass: one end-to-end pass of the hub's engine against the devstore, for the
// demo until the hub's window exists. Demo flavour only; TAVREN_HUB_DEPLOYMENT names the
// devstore's deployment file.
//   tavren-engine-pass --home DIR
// Signs in with the demo account, reads the storefront and the owned products, installs a
// zip, a package, a disk image and an app product into DIR, publishes a newer tv-reverb
// and runs the update pass.

#include "kit/api/InMemoryTokenPersistence.h"
#include "kit/api/MoonbaseClient.h"
#include "kit/api/URLSessionTransport.h"
#include "kit/codesign/NativeCodeSigning.h"
#include "kit/deployment/Deployment.h"
#include "kit/install/InstallPipeline.h"
#include "kit/install/UpdateRunner.h"
#include "kit/security/SignaturePolicy.h"
#include "kit/support/Error.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <clocale>
#include <cstdio>

using namespace hub;

namespace {

void print(const QString& line)
{
    std::puts(line.toUtf8().constData());
    std::fflush(stdout);
}

InstallRequest requestFor(MoonbaseClient& client, const QString& productId)
{
    const ProductSummary product = client.product(productId);
    for (const Download& download : product.downloads.value_or(QList<Download>{})) {
        if (download.platform == Platform::mac || download.platform == Platform::universal)
            return {product.id, product.name, product.currentVersion.value_or(QString()), download};
    }
    throw std::runtime_error("no macOS download of " + productId.toStdString());
}

void publish(const QString& productId, const QString& version)
{
    URLSessionTransport transport(PinnedTrust::tavren());
    HttpRequest request;
    request.method = "POST";
    request.url = "https://" + Deployment::current().apiHost.toUtf8() + "/__devstore/publish";
    request.headers = {{"Content-Type", "application/json"}};
    request.body = QJsonDocument(QJsonObject{{"product", productId}, {"version", version}}).toJson(QJsonDocument::Compact);
    const HttpResponse response = transport.send(request);
    if (response.status != 200)
        throw std::runtime_error("the devstore did not publish: " + response.body.toStdString());
}

int pass(const QString& home)
{
    QDir(home).removeRecursively();
    for (const char* folder : {"Applications", "work", "ledger", "Trash"})
        QDir().mkpath(home + u'/' + QLatin1String(folder));

    auto client = std::make_shared<MoonbaseClient>(HostPolicy::tavren(), std::make_shared<URLSessionTransport>(PinnedTrust::tavren()),
                                                   std::make_shared<InMemoryTokenPersistence>());
    const User user = client->signIn(QStringLiteral("demo@tavren.test"), QStringLiteral("demo-pass-1"));
    print(QStringLiteral("Signed in as %1 <%2>").arg(user.name, user.email));
    print(QStringLiteral("Storefront: %1 products").arg(client->storefront().products.size()));
    QStringList owned;
    for (const ProductSummary& product : client->ownedProducts())
        owned << product.id;
    print(QStringLiteral("Owned: %1").arg(owned.join(QStringLiteral(", "))));

    auto ledger = std::make_shared<InstallLedger>(home + QStringLiteral("/ledger"));
    const CodeVerifier verifier(SignaturePolicy::tavren(), NativeCodeSigning::standard());
    const BundleInstaller installer(verifier, home, home + QStringLiteral("/Applications"), [home](const QString& path) {
        const QString target = home + QStringLiteral("/Trash/") + QFileInfo(path).fileName();
        QDir(target).removeRecursively();
        if (!QDir().rename(path, target))
            throw std::runtime_error("cannot move " + path.toStdString() + " to the demo Trash");
        return target;
    });
    const InstallPipeline pipeline(client, std::make_shared<Downloader>(client->policy(), PinnedTrust::tavren(), home + QStringLiteral("/work")),
                                   Extractor(verifier), installer, ledger, home + QStringLiteral("/work"));

    int failures = 0;
    for (const QString& id : {QStringLiteral("tv-reverb"), QStringLiteral("tv-limiter"), QStringLiteral("tv-gate"),
                              QStringLiteral("tv-delay"), QStringLiteral("tv-notes"), QStringLiteral("tv-bitcrusher")}) {
        try {
            const InstallRecord record = pipeline.run(requestFor(*client, id), std::nullopt, {});
            QStringList items;
            for (const InstalledItem& item : record.items)
                items << QDir(home).relativeFilePath(item.path);
            print(QStringLiteral("Installed %1 %2: %3").arg(record.productName, record.version, items.join(QStringLiteral(", "))));
            for (const QString& note : record.notes)
                print(QStringLiteral("  note: ") + note);
        } catch (const Error& error) {
            print(QStringLiteral("Not installed %1: %2").arg(id, error.message()));
            ++failures;
        }
    }

    publish(QStringLiteral("tv-reverb"), QStringLiteral("1.5.0"));
    print(QStringLiteral("Published tv-reverb 1.5.0"));
    const UpdateRunner::Outcome outcome = UpdateRunner(client, ledger, pipeline).run();
    for (const auto& updated : outcome.updated)
        print(QStringLiteral("Updated %1 to %2").arg(updated.name, updated.version));
    for (const auto& failed : outcome.failed)
        print(QStringLiteral("Update of %1 failed: %2").arg(failed.name, failed.reason));
    print(QStringLiteral("Engine pass done: installed into %1").arg(home));
    return failures;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("LANG", "C.UTF-8");
    std::setlocale(LC_ALL, "C.UTF-8");
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption home(QStringLiteral("home"), QStringLiteral("Where the products are installed."), QStringLiteral("DIR"));
    parser.addOption(home);
    parser.addHelpOption();
    parser.process(app);
    if (!Deployment::readsDeploymentFile() || qEnvironmentVariableIsEmpty("TAVREN_HUB_DEPLOYMENT") || !parser.isSet(home)) {
        std::fputs("tavren-engine-pass: needs the demo flavour, TAVREN_HUB_DEPLOYMENT and --home (run scripts/demo)\n", stderr);
        return 2;
    }
    try {
        pass(QDir(parser.value(home)).absolutePath());
        return 0;
    } catch (const Error& error) {
        std::fprintf(stderr, "tavren-engine-pass: %s\n", error.message().toUtf8().constData());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tavren-engine-pass: %s\n", error.what());
    }
    return 1;
}
