// Start-up and search of the app model over a storefront of 5,000 products.
// Start-up: a process that makes a QCoreApplication and the AppModel, which reads
// its settings and restores the storefront snapshot (with its search index),
// against empty-core-app, a process that makes only the QCoreApplication; medians
// of alternating runs, and the ratio (the aim is at most 3); also the start from a JSON snapshot
// as earlier versions wrote it. Search: one keystroke, the query
// grown by one letter, over that catalog, once the search index is built (the window
// builds it after its first content; that build is timed apart); median and worst in
// milliseconds (the aim is under 16 ms).
#include "app/model/AppModel.h"
#include "kit/api/InMemoryTokenPersistence.h"
#include "kit/api/StorefrontSnapshot.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <clocale>
#include <cstdio>

using namespace hub;

namespace {

constexpr int products = 5000;
constexpr int runs = 15;

Storefront bigStorefront()
{
    const QStringList words{"Reverb", "Delay", "Tape", "Echo", "Compressor", "Limiter", "Gate", "Saturator", "Chorus",
        "Phaser", "Flanger", "Synth", "Vocoder", "Pitch", "Widener", "Panner", "Équaliseur", "Crusher", "Lo-Fi", "Room"};
    Storefront storefront;
    storefront.suggestedCurrency = "EUR";
    for (int i = 0; i < products; ++i) {
        StorefrontProduct p;
        p.id = QStringLiteral("bench-%1").arg(i);
        p.name = words[i % words.size()] + ' ' + words[(i / words.size()) % words.size()] + QStringLiteral(" %1").arg(i);
        p.tagline = QStringLiteral("A ") + words[(i * 7) % words.size()].toLower() + QStringLiteral(" for every mix");
        p.description = QStringLiteral("Product %1: ").arg(i) + words[(i * 3) % words.size()] + QStringLiteral(" with a warm, wide character and a clean signal path.");
        p.currentVersion = QStringLiteral("1.%1.0").arg(i % 10);
        p.downloads = QList<Download>{{p.id + ".zip", p.id + "-key", Platform::mac, 1 << 20, "https://tavren.store.example/d/" + p.id}};
        PricingVariation variation;
        variation.id = p.id + "-v";
        variation.name = "Default";
        variation.price = {{"EUR", 10.0 + i % 50}, {"USD", 11.0 + i % 50}};
        p.defaultVariation = variation;
        storefront.products.append(p);
    }
    return storefront;
}

Services servicesOver(const QString& folder, const QStringList& arguments)
{
    Services services;
    services.client = std::make_shared<MoonbaseClient>(HostPolicy::tavren(), nullptr, std::make_shared<InMemoryTokenPersistence>());
    services.ledger = std::make_shared<InstallLedger>(folder + "/support");
    services.snapshots.emplace(folder + "/snapshots");
    services.settings = std::make_shared<QSettings>(folder + "/defaults.ini", QSettings::IniFormat);
    services.arguments = LaunchArguments(arguments);
    return services;
}

// The child: what one start costs, then exit.
int child(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    AppModel model(servicesOver(QString::fromLocal8Bit(argv[3]), app.arguments()));
    return model.catalog().storefrontIsCached() ? 0 : 2;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double runChild(const QString& program, const QStringList& arguments)
{
    QElapsedTimer timer;
    timer.start();
    const int status = QProcess::execute(program, arguments);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (status != 0) {
        std::fprintf(stderr, "child %s failed with %d\n", qPrintable(arguments.join(' ')), status);
        std::exit(1);
    }
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    if (argc > 3 && QByteArray(argv[1]) == "--child")
        return child(argc, argv);

    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const Storefront storefront = bigStorefront();
    const QByteArray snapshot = QJsonDocument(storefront.toJson()).toJson(QJsonDocument::Compact);
    // The snapshot as the model writes it, and as earlier versions wrote it (JSON).
    const QString current = dir.filePath("current");
    const QString earlier = dir.filePath("earlier");
    for (const QString& folder : {current, earlier}) {
        QDir().mkpath(folder + "/snapshots");
        QDir().mkpath(folder + "/support");
    }
    StorefrontSnapshot::save(SnapshotCache(current + "/snapshots"), storefront);
    SnapshotCache(earlier + "/snapshots").save(QJsonDocument(storefront.toJson()), "storefront");
    std::printf("snapshot of %d products: %.1f MB as JSON, %.1f MB as the model writes it\n", products, double(snapshot.size()) / 1e6,
        double(QFileInfo(SnapshotCache(current + "/snapshots").fileFor("storefront", u"bin")).size()) / 1e6);

    const QString self = QCoreApplication::applicationFilePath();
    const QString baseline = QCoreApplication::applicationDirPath() + "/empty-core-app";
    QList<double> empty, model, fromJson;
    runChild(baseline, {}); // warm the page cache
    runChild(self, {"--child", "model", current});
    runChild(self, {"--child", "model", earlier});
    for (int i = 0; i < runs; ++i) {
        empty.append(runChild(baseline, {}));
        model.append(runChild(self, {"--child", "model", current}));
        fromJson.append(runChild(self, {"--child", "model", earlier}));
    }
    std::printf("start, median of %d: empty QCoreApplication %.1f ms, model init + restore %.1f ms, ratio %.2f (aim <= 3)\n",
        runs, median(empty), median(model), median(model) / median(empty));
    std::printf("the same from a JSON snapshot of an earlier version: %.1f ms, ratio %.2f\n", median(fromJson),
        median(fromJson) / median(empty));

    AppModel inProcess(servicesOver(current, {"bench"}));
    QElapsedTimer indexTimer;
    indexTimer.start();
    inProcess.startup().afterFirstContent();
    const double indexMs = double(indexTimer.nsecsElapsed()) / 1e6;
    const QString typed = "reverb tape";
    QList<double> keystrokes;
    for (int round = 0; round < 5; ++round) {
        for (int length = 1; length <= typed.size(); ++length) {
            QElapsedTimer timer;
            timer.start();
            const QList<StorefrontProduct> results = inProcess.catalog().searchResults(typed.left(length));
            keystrokes.append(double(timer.nsecsElapsed()) / 1e6);
            if (length == typed.size() && results.isEmpty())
                return 1;
        }
    }
    std::printf("search index over %d products, built after the first content: %.2f ms\n", products, indexMs);
    std::printf("search keystroke over %d products: median %.2f ms, worst %.2f ms (aim < 16 ms)\n", products, median(keystrokes),
        *std::max_element(keystrokes.begin(), keystrokes.end()));
    return 0;
}
