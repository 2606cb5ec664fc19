#include "app/views/settings/SettingsView.h"

#include "app/model/AppModel.h"
#include "app/model/Beta.h"
#include "app/platform/HubUpdater.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/SymbolName.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/TextButtons.h"
#include "app/views/kit/Theme.h"
#include "app/views/settings/FormGroup.h"
#include "app/views/settings/FormPage.h"
#include "app/views/settings/SecurityPane.h"
#include "app/views/settings/SettingsPresenter.h"
#include "app/views/settings/Toggle.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLocale>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace hub {

namespace {

QLabel* value(QWidget* parent)
{
    QLabel* label = Labels::secondary(Labels::plain(QString(), TextStyle::body, parent));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

SettingsView::SettingsView(AppModel& model, HubUpdater& updater, QJsonObject info, BackgroundSwitch::Agent agent,
                           QWidget* parent)
    : QWidget(parent), model_(model), updater_(updater), info_(std::move(info)), switch_(std::move(agent))
{
    setFixedSize(520, 420);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* tabs = new QTabWidget(this);
    tabs->setAccessibleName(QStringLiteral("Settings"));
    tabs->setDocumentMode(true);
    tabs->addTab(general(), QIcon(Symbols::pixmap("gearshape"_symbol, 16, Theme::primary())), QStringLiteral("General"));
    tabs->addTab(new SecurityPane(false), QIcon(Symbols::pixmap("lock.shield"_symbol, 16, Theme::primary())),
                 QStringLiteral("Security"));
    outer->addWidget(tabs);

    connect(&model.preferences(), &Preferences::autoUpdateChanged, this, &SettingsView::refresh);
    connect(&model.preferences(), &Preferences::currencyChanged, this, &SettingsView::refresh);
    connect(&model.catalog(), &StoreCatalog::storefrontChanged, this, &SettingsView::refresh);
    connect(&updater, &HubUpdater::checksAutomaticallyChanged, this, &SettingsView::refresh);
    connect(&updater, &HubUpdater::installsAutomaticallyChanged, this, &SettingsView::refresh);
    refresh();
}

QWidget* SettingsView::general()
{
    auto* page = new FormPage(QStringLiteral("General"));
    FormGroup* about = page->add(new FormGroup);
    version_ = value(nullptr);
    about->addRow(QStringLiteral("Version"), version_);
    QPushButton* feedback = TextButtons::link(QStringLiteral("Send beta feedback"));
    connect(feedback, &QPushButton::clicked, this, [this] {
        if (model_.services().openURL)
            model_.services().openURL(Beta::feedbackURL(Beta::version(info_), Beta::systemDescription()));
    });
    about->addRow(feedback);
    currencies_ = new QComboBox;
    currencies_->setMinimumWidth(180);
    connect(currencies_, &QComboBox::activated, this, [this](int index) {
        const QString code = currencies_->itemData(index).toString();
        if (!code.isEmpty())
            model_.preferences().setCurrency(code);
    });
    about->addRow(QStringLiteral("Prices in"), currencies_);

    FormGroup* updates = page->add(new FormGroup(QStringLiteral("Updates")));
    autoUpdate_ = new Toggle(QStringLiteral("Install plug-in and app updates automatically"));
    connect(autoUpdate_, &Toggle::clicked, this, [this](bool on) { model_.preferences().setAutoUpdate(on); });
    background_ = new Toggle(QStringLiteral("Update in the background while Tavren Hub is closed"));
    // clicked comes from the user only; showing the agent's state again is no new request.
    connect(background_, &Toggle::clicked, this, [this](bool on) {
        const bool shown = switch_.request(on);
        const QSignalBlocker quiet(background_);
        background_->setChecked(shown);
        refresh();
    });
    checks_ = new Toggle(QStringLiteral("Check for new versions of Tavren Hub"));
    connect(checks_, &Toggle::clicked, this, [this](bool on) { updater_.setChecksAutomatically(on); });
    installs_ = new Toggle(QStringLiteral("Install new versions of Tavren Hub automatically"));
    connect(installs_, &Toggle::clicked, this, [this](bool on) { updater_.setInstallsAutomatically(on); });
    for (Toggle* toggle : {autoUpdate_, background_, checks_, installs_}) {
        if (toggle != background_) {
            updates->addRow(toggle->accessibleName(), toggle);
            continue;
        }
        // The background switch says under its title why it cannot work, or was refused.
        auto* row = new QWidget;
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(2);
        texts->addWidget(Labels::plain(toggle->accessibleName(), TextStyle::body, row));
        backgroundNote_ = Labels::secondary(Labels::plain(QString(), TextStyle::caption, row));
        backgroundNote_->setWordWrap(true);
        texts->addWidget(backgroundNote_);
        line->addLayout(texts, 1);
        line->addWidget(toggle, 0, Qt::AlignTop);
        updates->addRow(row);
    }

    FormGroup* places = page->add(new FormGroup);
    plugIns_ = value(nullptr);
    places->addRow(QStringLiteral("Plug-ins install to"), plugIns_);
    apps_ = value(nullptr);
    places->addRow(QStringLiteral("Apps install to"), apps_);
    return page;
}

void SettingsView::refresh()
{
    SettingsPresenter::Input input;
    input.info = info_;
    if (const std::optional<Storefront>& storefront = model_.catalog().storefront())
        input.enabledCurrencies = storefront->enabledCurrencies;
    input.currency = model_.preferences().currency();
    input.autoUpdate = model_.preferences().autoUpdate();
    input.checksAutomatically = updater_.checksAutomatically();
    input.backgroundAvailable = switch_.isAvailable();
    input.backgroundProblem = switch_.problem();
    if (model_.services().pipeline)
        input.destinations = model_.services().pipeline->destinations();
    input.home = QDir::homePath();
    input.locale = QLocale().name();
    const SettingsPresenter::Screen screen = SettingsPresenter::present(input);

    version_->setText(screen.version);
    {
        const QSignalBlocker quiet(currencies_);
        currencies_->clear();
        for (const SettingsPresenter::Currency& currency : screen.currencies)
            currencies_->addItem(currency.title, currency.code);
        currencies_->setCurrentIndex(screen.selected);
    }
    const auto show = [](Toggle* toggle, bool on) {
        const QSignalBlocker quiet(toggle);
        toggle->setChecked(on);
    };
    show(autoUpdate_, input.autoUpdate);
    show(background_, switch_.isOn());
    show(checks_, input.checksAutomatically);
    show(installs_, updater_.installsAutomatically());
    background_->setEnabled(screen.backgroundEnabled);
    backgroundNote_->setText(screen.backgroundNote);
    backgroundNote_->setVisible(!screen.backgroundNote.isEmpty());
    installs_->setEnabled(screen.installsEnabled);
    plugIns_->setText(screen.plugInsFolder);
    apps_->setText(screen.appsFolder);
}

} // namespace hub
