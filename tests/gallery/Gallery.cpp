// Renders each shared component once into a PNG, for looking at: gallery <folder>.
// Not a test; nothing is checked.
#include "app/views/kit/AccountFooter.h"
#include "app/views/kit/ActionButton.h"
#include "app/views/kit/BannerStack.h"
#include "app/views/kit/SignInPrompt.h"
#include "app/views/kit/Avatar.h"
#include "app/views/kit/BannerRow.h"
#include "app/views/kit/EmptyState.h"
#include "app/views/kit/LaunchSplash.h"
#include "app/views/kit/PageHeader.h"
#include "app/views/kit/SearchField.h"
#include "app/views/kit/Shelf.h"
#include "app/views/kit/KeyboardGrid.h"
#include "app/views/kit/ElidedLabel.h"
#include "app/views/kit/FlowGrid.h"
#include "app/views/kit/ImageMemory.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/Motion.h"
#include "app/views/kit/ProductIcon.h"
#include "app/views/kit/StageView.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/Theme.h"
#include "app/views/kit/Wordmark.h"
#include "tests/app/fakes/FakeProductActions.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QGridLayout>
#include <QPainter>
#include <QVBoxLayout>
#include <clocale>

namespace hub {
namespace {

QString folder;

void shot(const QString& name, QWidget* widget, QSize size = {})
{
    widget->setAutoFillBackground(true);
    widget->resize(size.isValid() ? size : widget->sizeHint().expandedTo(QSize(40, 20)));
    widget->show();
    for (int turn = 0; turn < 5; ++turn) {
        QApplication::processEvents();
        ImageMemory::waitForIdle();
    }
    widget->grab().save(folder + "/" + name + ".png");
    delete widget;
}

// Paints whatever it is given.
class Canvas : public QWidget {
public:
    Canvas(QSize size, std::function<void(QPainter&)> paint) : paint_(std::move(paint)) { resize(size); }
    QSize sizeHint() const override { return size(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        paint_(painter);
    }

private:
    std::function<void(QPainter&)> paint_;
};

StorefrontProduct product(const QString& id, int downloads = 1, bool free = false)
{
    StorefrontProduct p;
    p.id = id;
    p.name = id;
    QList<Download> list;
    for (int i = 0; i < downloads; ++i)
        list.append(Download{QStringLiteral("Mac %1").arg(i + 1), id + QString::number(i), Platform::mac, 12'300'000 * (i + 1), {}});
    p.downloads = list;
    p.defaultVariation = PricingVariation{};
    p.defaultVariation->price = {{"EUR", free ? 0.0 : 49.0}};
    return p;
}

void gallery()
{
    shot("theme", new Canvas({420, 120}, [](QPainter& p) {
        const QList<std::pair<QString, QColor>> swatches{{"accent", Theme::accent()}, {"violet", Theme::violet()},
            {"magenta", Theme::magenta()}, {"orange", Theme::orange()}, {"green", Theme::green()}, {"red", Theme::red()}};
        for (int i = 0; i < swatches.size(); ++i) {
            p.fillRect(QRect(10 + i * 68, 10, 60, 40), swatches[i].second);
            p.setPen(Theme::secondary());
            p.drawText(QRect(10 + i * 68, 52, 60, 16), Qt::AlignCenter, swatches[i].first);
        }
        p.fillRect(QRectF(10, 76, 400, 34), Theme::brand(QRectF(10, 76, 400, 34)));
    }));

    auto* type = new QWidget;
    auto* lines = new QVBoxLayout(type);
    const QList<std::pair<TextStyle, QString>> styles{{TextStyle::pageTitle, "Page title 30 bold"},
        {TextStyle::largeTitle, "Large title"}, {TextStyle::title2, "Title 2"}, {TextStyle::title3, "Title 3"},
        {TextStyle::headline, "Headline"}, {TextStyle::body, "Body"}, {TextStyle::callout, "Callout"},
        {TextStyle::subheadline, "Subheadline"}, {TextStyle::footnote, "Footnote"}, {TextStyle::caption, "Caption"}};
    for (const auto& [style, text] : styles)
        lines->addWidget(Labels::plain(text, style));
    lines->addWidget(Labels::plain("<b>markup stays text</b>", TextStyle::body));
    auto* elided = new ElidedLabel(QString("A long tagline that goes on and on about the warmth of tape and the "
                                           "sparkle of the high end, far beyond two lines of a tile. ").repeated(2),
        TextStyle::subheadline, 2);
    elided->setFixedWidth(260);
    lines->addWidget(elided);
    shot("typography", type);

    QDirIterator symbols(":/symbols", {"*.svg"});
    QStringList names;
    while (symbols.hasNext())
        names << QFileInfo(symbols.next()).completeBaseName();
    names.sort();
    shot("symbols", new Canvas({420, 40 * int((names.size() + 9) / 10) + 10}, [names](QPainter& p) {
        for (int i = 0; i < names.size(); ++i)
            Symbols::paint(p, names[i], QRectF(10 + (i % 10) * 40, 10 + (i / 10) * 40, 28, 28),
                i % 3 == 0 ? Theme::accent() : Theme::primary());
    }));

    QImage art(256, 256, QImage::Format_ARGB32);
    {
        QPainter p(&art);
        p.fillRect(art.rect(), Theme::brand(QRectF(art.rect())));
        p.setBrush(Qt::white);
        p.drawEllipse(QRect(78, 78, 100, 100));
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    art.save(&buffer, "PNG");
    ImageMemory::setFetch([png](const QUrl&) { return std::optional(png); });
    auto* icons = new QWidget;
    auto* row = new QHBoxLayout(icons);
    row->setContentsMargins(16, 16, 16, 16);
    row->setSpacing(20);
    row->addWidget(new ProductIcon(std::nullopt, "reverb", 58));
    row->addWidget(new ProductIcon(std::nullopt, "Synth", 100));
    row->addWidget(new ProductIcon(QString("https://elsewhere.example/x.png"), QString::fromUtf8("\xF0\x9F\x8E\xB9 Keys"), 58));
    row->addWidget(new ProductIcon(QString("https://assets.store.example/icon.png"), "Loaded", 100));
    shot("product-icons", icons);

    auto* marks = new QWidget;
    auto* markRow = new QHBoxLayout(marks);
    markRow->addWidget(new Wordmark(28));
    auto* light = new Wordmark(28);
    QPalette lightPalette;
    lightPalette.setColor(QPalette::Window, Qt::white);
    lightPalette.setColor(QPalette::WindowText, Qt::black);
    light->setPalette(lightPalette);
    light->setAutoFillBackground(true);
    markRow->addWidget(light);
    shot("wordmark", marks);

    auto* actions = new FakeProductActions;
    actions->owned = {"install", "menu", "update", "open", "installed", "owned", "resume", "ring", "spin"};
    actions->records.insert("update", InstallRecord{});
    actions->updates.insert("update");
    InstallRecord app;
    app.items = {InstalledItem{"/Applications/A.app", BundleKind::app, "a", "T", {}}};
    actions->records.insert("open", app);
    actions->records.insert("installed", InstallRecord{});
    actions->stages.insert("resume", InstallStage::paused());
    actions->stages.insert("ring", InstallStage::downloading(40, 100));
    actions->stages.insert("spin", InstallStage::resolving());
    auto* buttons = new QWidget;
    auto* grid = new QGridLayout(buttons);
    const QList<StorefrontProduct> products{product("install"), product("menu", 2), product("update"), product("open"),
        product("installed"), product("owned", 0), product("resume"), product("ring"), product("spin"),
        product("get", 1, true), product("price")};
    for (int i = 0; i < products.size(); ++i) {
        grid->addWidget(Labels::secondary(Labels::plain(products[i].id, TextStyle::caption)), i, 0);
        grid->addWidget(new ActionButton(*actions, products[i], false), i, 1);
        grid->addWidget(new ActionButton(*actions, products[i], true), i, 2);
    }
    shot("action-buttons", buttons);

    auto* stages = new QWidget;
    auto* column = new QVBoxLayout(stages);
    for (const auto& [stage, fraction] : QList<std::pair<InstallStage, std::optional<double>>>{
             {InstallStage::queued(), {}}, {InstallStage::resolving(), {}},
             {InstallStage::downloading(4'200'000, 12'300'000), 0.34}, {InstallStage::paused(), {}},
             {InstallStage::verifying(), {}}, {InstallStage::installing(), {}}, {InstallStage::installed(), {}},
             {InstallStage::failed("The code signature of Reverb.vst3 is not valid: a sealed resource is missing or "
                                   "invalid. Nothing was installed, and the previous copy is still in place."), {}}})
        column->addWidget(new StageView(stage, fraction));
    stages->setFixedWidth(340);
    shot("stage-views", stages);

    auto* flow = new QWidget;
    auto* cells = new FlowGrid(100, 12, flow);
    for (int i = 0; i < 7; ++i) {
        auto* cell = Labels::plain(QStringLiteral("cell %1").arg(i), TextStyle::body);
        cell->setAutoFillBackground(true);
        cell->setFixedHeight(30 + (i % 3) * 10);
        QPalette fill = cell->palette();
        fill.setColor(QPalette::Window, QColor(0x33, 0x33, 0x33));
        cell->setPalette(fill);
        cells->addWidget(cell);
    }
    shot("flow-grid", flow, {350, 140});

    auto* page = new QWidget;
    auto* stack = new QVBoxLayout(page);
    stack->setContentsMargins(24, 24, 24, 24);
    stack->setSpacing(18);
    stack->addWidget(new SearchField);
    stack->addWidget(new PageHeader("Plug-ins", QString("Effects and instruments for your sessions")));
    QList<StorefrontProduct> shelfProducts;
    for (const QString& id : QStringList{"install", "menu", "update", "open", "ring", "price", "get", "owned", "spin", "resume", "install"}) {
        StorefrontProduct p = product(id, id == "menu" ? 2 : id == "owned" ? 0 : 1, id == "get");
        p.name = QStringLiteral("TV ") + id.at(0).toUpper() + id.mid(1);
        p.tagline = id == "price" ? QString() : "A tagline long enough to need its second line in a narrow tile";
        shelfProducts << p;
    }
    auto* shelf = new Shelf(*actions, "Dynamics", QString("Compressors, limiters and gates"), shelfProducts, [] {});
    stack->addWidget(shelf);
    shelf->grid()->cell("update")->setFocus(Qt::TabFocusReason);
    stack->addStretch(1);
    page->setWindowFlag(Qt::Window);
    shot("shelf", page, {1000, 640});

    auto* furniture = new QWidget;
    auto* parts = new QVBoxLayout(furniture);
    parts->addWidget(new EmptyState("Your library is empty", "Products you own show up here.", "square.stack.3d.up",
        EmptyState::Action{"Browse the Store", [] {}}));
    parts->addWidget(new BannerRow(BannerRow::Tone::success, "Installed TV Reverb 1.5.0.", {}));
    parts->addWidget(new BannerRow(BannerRow::Tone::info, "Welcome to the beta of Tavren Hub.", {}));
    parts->addWidget(new BannerRow(BannerRow::Tone::failure,
        "The download of TV Reverb stopped: the connection was lost. It resumes where it stopped when you try again; "
        "nothing was changed on this computer.", {}));
    auto* people = new QHBoxLayout;
    people->addWidget(new Avatar("demo@tavren.test", 30, true));
    people->addWidget(new Avatar("?", 30, false));
    people->addWidget(new Avatar("zoe@tavren.test", 64, true));
    people->addStretch(1);
    parts->addLayout(people);
    shot("furniture", furniture, {560, 560});

    shot("splash-early", new Canvas({640, 400}, [](QPainter& p) { LaunchSplash::paintFrame(p, QRectF(0, 0, 640, 400), 0.25); }));
    shot("splash-late", new Canvas({640, 400}, [](QPainter& p) { LaunchSplash::paintFrame(p, QRectF(0, 0, 640, 400), 0.85); }));
    delete actions;

    ModelHarness harness;
    std::unique_ptr<AppModel> model = harness.makeModel();
    auto* sidebar = new QWidget;
    auto* footers = new QVBoxLayout(sidebar);
    footers->addWidget(new AccountFooter(*model));
    model->accounts().setTavrenProfile(Fixtures::profile("demo@tavren.test"));
    model->accounts().setStoreUser(Fixtures::user("demo@tavren.test", "Demo Customer"));
    model->navigation().setSelection(HubSection::account);
    footers->addWidget(new AccountFooter(*model));
    model->flash(Banner::Tone::success, "Installed TV Reverb 1.5.0.");
    footers->addWidget(new BannerStack(*model));
    footers->addWidget(new SignInPrompt(*model, "Connect your store account to install what you own.", true));
    shot("account-and-banners", sidebar, {420, 520});
}

} // namespace
} // namespace hub

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    QApplication app(argc, argv);
    hub::Theme::apply(app);
    hub::Motion::setEnabled(false);
    hub::folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("gallery");
    QDir().mkpath(hub::folder);
    hub::gallery();
    return 0;
}
