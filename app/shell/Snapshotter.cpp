#include "app/shell/Snapshotter.h"

#include "app/model/AppModel.h"
#include "app/shell/MainWindow.h"
#include "app/shell/RootView.h"
#include "app/shell/Screens.h"
#include "app/views/kit/LaunchSplash.h"
#include "app/views/product/ReviewSheet.h"
#include "app/views/settings/SecurityPane.h"
#include "kit/deployment/Deployment.h"
#include "kit/security/HostPolicy.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QPointer>

namespace hub {

namespace {

void select(AppModel& model, HubSection section, const QStringList& path = {})
{
    model.navigation().setSelection(section);
    if (!path.isEmpty())
        model.navigation().setPath(path);
}

std::unique_ptr<MainWindow> window(AppModel& model, QSize size)
{
    auto made = std::make_unique<MainWindow>(model, false);
    made->setStartsModel(false);
    made->setQuitsOnClose(false);
    made->setAttribute(Qt::WA_DontShowOnScreen);
    made->setMinimumSize(0, 0);
    made->resize(size);
    made->show();
    return made;
}

// Signs in to the demo store account; false when that failed.
QCoro::Task<bool> signInToDemo(AppModel& model)
{
    try {
        QCoro::Task<> signIn = model.signIn().signInToStore(Snapshotter::demoEmail, Snapshotter::demoPassword);
        co_await signIn;
        co_return model.accounts().storeUser().has_value();
    } catch (const std::exception&) {
        co_return false;
    }
}

} // namespace

QList<Snapshotter::Shot> Snapshotter::accountShots(AppModel& model)
{
    AppModel* m = &model;
    return {{QStringLiteral("library"), [m] { select(*m, HubSection::library); }},
        {QStringLiteral("updates"), [m] { select(*m, HubSection::updates); }},
        {QStringLiteral("downloads"), [m] { select(*m, HubSection::downloads); }}};
}

QCoro::Task<> Snapshotter::prepareAccount(AppModel& model, Sleeper sleep, Waits waits)
{
    QPointer<AppModel> alive(&model);
    QCoro::Task<bool> signIn = signInToDemo(model);
    const bool signedIn = co_await signIn;
    if (!alive || !signedIn)
        co_return;
    // A release check fills the Downloads list without placing anything on this machine.
    const std::optional<StorefrontProduct> checked = model.catalog().storeProduct(galleryProductId);
    if (!checked)
        co_return;
    model.queue().install(*checked, std::nullopt, true);
    for (auto waited = std::chrono::milliseconds(0); waited < waits.job; waited += waits.poll) {
        const InstallJob* job = model.queue().job(checked->id);
        if (!job || (!job->isRunning() && job->stage().kind != InstallStage::Kind::queued))
            co_return;
        co_await sleep(waits.poll);
        if (!alive)
            co_return;
    }
}

std::optional<StorefrontProduct> Snapshotter::pageProduct(const QList<StorefrontProduct>& products)
{
    for (const StorefrontProduct& product : products)
        if (product.id == pageProductId)
            return product;
    if (products.isEmpty())
        return std::nullopt;
    return products.first();
}

QList<Snapshotter::Shot> Snapshotter::shots(AppModel& model, const std::optional<StorefrontProduct>& page)
{
    AppModel* m = &model;
    QList<Shot> list;
    list.append({QStringLiteral("discover"), [m] { select(*m, HubSection::discover); }});
    list.append({QStringLiteral("product"), [m, page] {
                     select(*m, HubSection::discover, page ? QStringList{page->id} : QStringList{});
                 }});
    list.append({QStringLiteral("browse"), [m] { select(*m, HubSection::plugIns); }});
    list.append({QStringLiteral("apps"), [m] { select(*m, HubSection::apps); }});
    list.append({QStringLiteral("free"), [m] { select(*m, HubSection::free); }});
    const std::optional<CatalogExtras>& extras = model.catalog().extras();
    if (extras && !extras->freeTools().isEmpty()) {
        const QString first = Navigation::extraPrefix + extras->freeTools().first().id;
        list.append({QStringLiteral("free-tools"), [m] { select(*m, HubSection::freeTools); }});
        list.append({QStringLiteral("free-tool-page"), [m, first] { select(*m, HubSection::freeTools, {first}); }});
    }
    if (extras && !extras->earlyAccess().isEmpty())
        list.append({QStringLiteral("early-access"), [m] { select(*m, HubSection::earlyAccess); }});
    if (extras && model.catalog().storeProduct(galleryProductId)
        && !extras->screenshots(galleryProductId, HostPolicy::tavren()).isEmpty())
        list.append({QStringLiteral("product-shots"), [m] { select(*m, HubSection::discover, {galleryProductId}); }});
    list.append({QStringLiteral("search"), [m] {
                     select(*m, HubSection::discover);
                     m->navigation().setSearch(QStringLiteral("reverb"));
                 }});
    list.append({QStringLiteral("account"), [m] {
                     m->navigation().setSearch(QString());
                     select(*m, HubSection::account);
                 }});
    return list;
}

bool Snapshotter::capture(QWidget& widget, const QString& file)
{
    return widget.grab().save(file, "PNG");
}

const QList<std::pair<QString, double>>& Snapshotter::splashFrames()
{
    static const QList<std::pair<QString, double>> frames{{QStringLiteral("splash-early"), 0.25}, {QStringLiteral("splash-late"), 0.85}};
    return frames;
}

QCoro::Task<> Snapshotter::run(QString folder, AppModel& model, Sleeper sleep, Waits waits, Panels panels)
{
    QPointer<AppModel> alive(&model);
    QDir().mkpath(folder);
    const QDir into(folder);
    const auto file = [&into](const QString& name) { return into.filePath(name + QStringLiteral(".png")); };

    // The app's own windows stay hidden for the run.
    for (QWidget* shown : QApplication::topLevelWidgets())
        shown->hide();

    std::unique_ptr<MainWindow> main = window(model, {1440, 900});
    const std::optional<StorefrontProduct> page = pageProduct(model.catalog().products());
    for (const Shot& shot : shots(model, page)) {
        shot.setup();
        co_await sleep(waits.shot);
        if (!alive)
            co_return;
        capture(*main, file(shot.name));
    }
    model.navigation().setSearch(QString());

    // The sign-in sheet's content of a plain sign-in, on its own: asking the model for the
    // sheet would open it over the app's own window too.
    model.accounts().setSignInPurpose(SignInPurpose::general());
    for (const auto& [name, make] : {std::pair{QStringLiteral("sign-in"), std::function<QWidget*()>([&model] { return Screens::signIn(model); })},
                                     std::pair{QStringLiteral("settings"), panels.settings},
                                     std::pair{QStringLiteral("about"), panels.about}}) {
        if (!make)
            continue;
        std::unique_ptr<QWidget> panel(make());
        panel->setAttribute(Qt::WA_DontShowOnScreen);
        panel->adjustSize();
        panel->show();
        co_await sleep(waits.settle);
        if (!alive)
            co_return;
        capture(*panel, file(name));
    }

    if (page) {
        std::unique_ptr<MainWindow> full = window(model, {1440, 2300});
        select(model, HubSection::discover, {page->id});
        co_await sleep(waits.fullPage);
        if (!alive)
            co_return;
        capture(*full, file(QStringLiteral("product-full")));
        full.reset();

        ReviewSheet sheet(model.reviews(), *page, std::nullopt);
        sheet.setAttribute(Qt::WA_DontShowOnScreen);
        sheet.resize(520, 600);
        sheet.show();
        co_await sleep(waits.settle);
        if (!alive)
            co_return;
        capture(sheet, file(QStringLiteral("review-sheet")));
    }
    for (const auto& [name, progress] : splashFrames()) {
        LaunchSplash splash([] {}, progress);
        splash.setAttribute(Qt::WA_DontShowOnScreen);
        splash.resize(1100, 700);
        splash.show();
        co_await sleep(waits.settle);
        if (!alive)
            co_return;
        capture(splash, file(name));
    }
    // Against the devstore, the demo account's library, updates and downloads.
    if (Deployment::current().loopbackPort != 0) {
        QCoro::Task<> prepare = prepareAccount(model, sleep, waits);
        co_await prepare;
        if (!alive)
            co_return;
        for (const Shot& shot : accountShots(model)) {
            shot.setup();
            co_await sleep(waits.shot);
            if (!alive)
                co_return;
            capture(*main, file(shot.name));
        }
    }
    // The security statements on their own, last.
    SecurityPane security(false);
    security.setAttribute(Qt::WA_DontShowOnScreen);
    security.resize(520, 560);
    security.show();
    co_await sleep(waits.settle);
    if (!alive)
        co_return;
    capture(security, file(QStringLiteral("security")));
    main->close();
}

} // namespace hub
