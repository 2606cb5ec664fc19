#include "app/views/account/AccountView.h"

#include "app/model/AppModel.h"
#include "app/views/account/AccountActions.h"
#include "app/views/account/AccountCard.h"
#include "app/views/kit/Avatar.h"
#include "app/views/kit/Divider.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/ProductIcon.h"
#include "app/views/kit/Rebuilder.h"
#include "app/views/kit/Accessibility.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/TextButtons.h"
#include "app/views/kit/Theme.h"
#include "app/views/settings/SecurityPane.h"
#include "kit/deployment/Deployment.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

namespace hub {

namespace {

QLabel* caption(const QString& text, QWidget* parent, std::optional<QFont::Weight> weight = std::nullopt)
{
    return Labels::secondary(Labels::plain(text, TextStyle::caption, parent, weight));
}

// A column of rows, each followed by a divider (the last one too).
QWidget* list(const std::function<void(QVBoxLayout*, QWidget*)>& fill)
{
    auto* rows = new QWidget;
    auto* column = new QVBoxLayout(rows);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    fill(column, rows);
    return rows;
}

} // namespace

AccountView::AccountView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), page_(new QWidget), column_(new QVBoxLayout(page_)),
      rebuilder_(new Rebuilder(this, [this] { rebuild(); }))
{
    setWindowTitle(QStringLiteral("Account"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setAccessibleName(windowTitle()); // it takes the focus to scroll
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    outer->addWidget(scroll);

    column_->setContentsMargins(28, 28, 28, 28);
    column_->setSpacing(26);
    column_->addWidget(section(QStringLiteral("Security"), std::nullopt, new SecurityPane(true)));
    column_->addStretch(1);
    scroll->setWidget(page_);

    const Accounts* accounts = &model.accounts();
    rebuilder_->watch(accounts, &Accounts::storeUserChanged);
    rebuilder_->watch(accounts, &Accounts::storeOwnedChanged);
    rebuilder_->watch(accounts, &Accounts::tavrenProfileChanged);
    rebuilder_->watch(accounts, &Accounts::tavrenSessionsChanged);
    rebuilder_->watch(accounts, &Accounts::tavrenPurchasesChanged);
    rebuilder_->watch(&model.catalog(), &StoreCatalog::storefrontChanged);
    rebuild();
}

AccountPresenter::Input AccountView::input(const AppModel& model)
{
    const Accounts& accounts = model.accounts();
    AccountPresenter::Input input;
    input.displayName = accounts.displayName();
    input.displayEmail = accounts.displayEmail();
    input.ownedCount = model.catalog().ownedProducts().size();
    input.signedIn = accounts.storeUser() || accounts.tavrenProfile();
    input.sessions = accounts.tavrenSessions();
    input.purchases = accounts.tavrenPurchases();
    const StoreCatalog* catalog = &model.catalog();
    input.product = [catalog](const QString& id) { return catalog->storeProduct(id); };
    return input;
}

AccountCardsPresenter::Input AccountView::cardsInput(const AppModel& model)
{
    const Deployment& deployment = Deployment::current();
    return {model.accounts().tavrenProfile(), model.accounts().storeUser(), deployment.webHost, deployment.apiHost};
}

QWidget* AccountView::section(const QString& title, const std::optional<QString>& subtitle, QWidget* content)
{
    auto* part = new QWidget;
    auto* column = new QVBoxLayout(part);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(Labels::plain(title, TextStyle::title2, part, QFont::Bold));
    if (subtitle)
        column->addWidget(Labels::secondary(Labels::plain(*subtitle, TextStyle::callout, part)));
    content->setParent(part);
    column->addWidget(content);
    return part;
}

void AccountView::rebuild()
{
    const AccountPresenter::Screen screen = AccountPresenter::present(input(model_));
    const AccountCardsPresenter::Cards cards = AccountCardsPresenter::present(cardsInput(model_));

    delete live_;
    live_ = new QWidget(page_);
    auto* column = new QVBoxLayout(live_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(26);
    column->addWidget(header(screen.header));
    auto* pair = new QHBoxLayout;
    pair->setSpacing(18);
    pair->addWidget(card(cards.tavrenID), 1, Qt::AlignTop);
    pair->addWidget(card(cards.store), 1, Qt::AlignTop);
    column->addLayout(pair);
    if (!screen.devices.isEmpty())
        column->addWidget(section(QStringLiteral("Signed-in devices"), QStringLiteral("Every place your Tavren ID is signed in."),
                                  devices(screen.devices)));
    if (!screen.purchases.isEmpty())
        column->addWidget(section(QStringLiteral("Purchase history"), std::nullopt, purchases(screen.purchases)));
    column_->insertWidget(0, live_);
}

QWidget* AccountView::header(const AccountPresenter::Header& header)
{
    auto* row = new QWidget;
    row->setObjectName(QStringLiteral("header"));
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(18);
    line->addWidget(new Avatar(header.avatarText, 72, header.signedIn, row), 0, Qt::AlignVCenter);
    auto* lines = new QVBoxLayout;
    lines->setSpacing(4);
    lines->addWidget(Labels::plain(header.name, TextStyle::largeTitle, row, QFont::Bold));
    if (header.email)
        lines->addWidget(Labels::secondary(Labels::plain(*header.email, TextStyle::body, row)));
    lines->addWidget(Labels::secondary(Labels::plain(header.count, TextStyle::callout, row)));
    line->addLayout(lines);
    line->addStretch(1);
    return row;
}

QWidget* AccountView::card(const AccountCardsPresenter::Card& card)
{
    auto* frame = new AccountCard(card.title, card.symbol, card.connected);
    frame->setObjectName(card.title);
    if (card.email)
        frame->addRow(Labels::plain(*card.email, TextStyle::headline, frame));
    if (card.note) {
        QLabel* note = Labels::secondary(Labels::plain(*card.note, TextStyle::callout, frame));
        note->setWordWrap(true);
        frame->addRow(note);
    }
    QPushButton* button = card.prominent ? TextButtons::prominent(card.button, frame) : TextButtons::regular(card.button, frame);
    AppModel* model = &model_;
    connect(button, &QPushButton::clicked, frame, [model, action = card.action] { AccountActions::run(*model, action); });
    if (!card.link) {
        frame->addRow(button);
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        return frame;
    }
    auto* actions = new QHBoxLayout;
    actions->setContentsMargins(0, 4, 0, 0);
    QPushButton* link = TextButtons::link(card.link->title, frame);
    connect(link, &QPushButton::clicked, frame, [model, url = card.link->url] {
        if (model->services().openURL)
            model->services().openURL(url);
    });
    actions->addWidget(link);
    actions->addStretch(1);
    actions->addWidget(button);
    frame->addRow(actions);
    return frame;
}

QWidget* AccountView::devices(const QList<AccountPresenter::Device>& devices)
{
    AppModel* model = &model_;
    return list([&](QVBoxLayout* column, QWidget* rows) {
        for (const AccountPresenter::Device& device : devices) {
            auto* row = new QWidget(rows);
            row->setObjectName(QStringLiteral("device:") + device.id);
            auto* line = new QHBoxLayout(row);
            line->setContentsMargins(0, 6, 0, 6);
            auto* image = new QLabel(row);
            image->setPixmap(Symbols::pixmap(device.symbol, 18, Theme::secondary()));
            image->setFixedWidth(24);
            Accessibility::hide(image); // the device's name says it
            image->setAlignment(Qt::AlignCenter);
            line->addWidget(image);
            auto* texts = new QVBoxLayout;
            texts->setSpacing(2);
            texts->addWidget(Labels::plain(device.label, TextStyle::body, row));
            if (device.lastActive)
                texts->addWidget(caption(*device.lastActive, row));
            line->addLayout(texts);
            line->addStretch(1);
            if (device.current) {
                QLabel* here = Labels::plain(QStringLiteral("This computer"), TextStyle::caption, row, QFont::DemiBold);
                Labels::setColor(here, Theme::green());
                line->addWidget(here);
            } else {
                QPushButton* signOut = TextButtons::regular(QStringLiteral("Sign Out"), row);
                const QString id = device.id;
                connect(signOut, &QPushButton::clicked, row, [model, id] {
                    for (const TavrenIDSession& session : model->accounts().tavrenSessions())
                        if (session.id == id) {
                            AccountActions::signOutDevice(*model, session);
                            return;
                        }
                });
                line->addWidget(signOut);
            }
            column->addWidget(row);
            column->addWidget(Divider::make(rows));
        }
    });
}

QWidget* AccountView::purchases(const QList<AccountPresenter::Purchase>& purchases)
{
    return list([&](QVBoxLayout* column, QWidget* rows) {
        for (const AccountPresenter::Purchase& purchase : purchases) {
            auto* row = new QWidget(rows);
            row->setObjectName(QStringLiteral("purchase:") + purchase.id);
            auto* line = new QHBoxLayout(row);
            line->setContentsMargins(0, 5, 0, 5);
            if (purchase.showsIcon)
                line->addWidget(new ProductIcon(purchase.iconUrl, purchase.name, 32, row));
            line->addWidget(Labels::plain(purchase.name, TextStyle::body, row));
            if (purchase.gift) {
                QLabel* tag = Labels::plain(QStringLiteral("Gift"), TextStyle::caption, row);
                Theme::setRole(tag, "tag");
                line->addWidget(tag);
            }
            line->addStretch(1);
            line->addWidget(caption(purchase.status, row));
            // Dates of one width line up, an empty one included.
            QLabel* date = Labels::monospacedDigits(caption(purchase.date, row));
            date->setMinimumWidth(date->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00")));
            date->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            line->addWidget(date);
            column->addWidget(row);
            column->addWidget(Divider::make(rows));
        }
    });
}

} // namespace hub
