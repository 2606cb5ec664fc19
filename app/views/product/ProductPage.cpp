#include "app/views/product/ProductPage.h"

#include "app/model/AppModel.h"
#include "app/model/Catalog.h"
#include "app/views/kit/ActionButton.h"
#include "app/views/kit/Divider.h"
#include "app/views/kit/FocusKeeper.h"
#include "app/views/kit/IconPalette.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/ModelActions.h"
#include "app/views/kit/ProductIcon.h"
#include "app/views/kit/Rebuilder.h"
#include "app/views/kit/ScreenshotGallery.h"
#include "app/views/kit/Shelf.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/TextButtons.h"
#include "app/views/kit/Theme.h"
#include "app/views/product/ReviewsSection.h"
#include "app/views/product/SymbolLabel.h"
#include "kit/security/HostPolicy.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace hub {

namespace {

constexpr int readableWidth = 680;

QLabel* selectable(QLabel* label)
{
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QLabel* paragraph(const QString& text, QWidget* parent)
{
    QLabel* label = selectable(Labels::plain(text, TextStyle::body, parent));
    label->setWordWrap(true);
    label->setMaximumWidth(readableWidth);
    return label;
}

QWidget* divider(QWidget* parent, Qt::Orientation orientation)
{
    QWidget* line = Divider::make(parent);
    if (orientation == Qt::Vertical)
        line->setFixedSize(1, 30);
    return line;
}

QToolButton* toolButton(const QString& text, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setIconSize(QSize(16, 16));
    return button;
}

} // namespace

// The header's wash: the icon's colour at the top, fading out downwards.
class HeaderWash : public QWidget {
public:
    using QWidget::QWidget;

    void setTop(const QColor& top)
    {
        top_ = top;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QLinearGradient wash(0, 0, 0, height());
        wash.setColorAt(0, top_);
        wash.setColorAt(1, Qt::transparent);
        QPainter(this).fillRect(rect(), wash);
    }

private:
    QColor top_ = Qt::transparent;
};

ProductPage::ProductPage(AppModel& model, const StorefrontProduct& product, QWidget* parent)
    : QScrollArea(parent), model_(model), product_(product), rebuilder_(new Rebuilder(this, [this] { rebuild(); }))
{
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* page = new QWidget;
    FocusKeeper::mark(page, FocusKeeper::Place::list);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // Header: icon, name, tagline, category and the action row; wishlist and share on the trailing edge.
    header_ = new HeaderWash(page);
    FocusKeeper::mark(header_, FocusKeeper::Place::row);
    auto* headerRow = new QHBoxLayout(header_);
    headerRow->setContentsMargins(28, 28, 28, 28);
    headerRow->setSpacing(24);
    icon_ = new ProductIcon(product.iconUrl, product.name, 140, header_);
    headerRow->addWidget(icon_, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(6);
    name_ = Labels::plain(product.name, TextStyle::body, header_);
    name_->setFont(Typography::font(32, QFont::Bold));
    texts->addWidget(name_);
    tagline_ = Labels::secondary(Labels::plain(product.tagline, TextStyle::title3, header_));
    tagline_->setWordWrap(true);
    texts->addWidget(tagline_);
    category_ = Labels::plain(QString(), TextStyle::callout, header_);
    Labels::setColor(category_, Theme::primary(0.35));
    texts->addWidget(category_);
    auto* actions = new QHBoxLayout;
    actions->setContentsMargins(0, 10, 0, 0);
    actions->setSpacing(14);
    action_ = new ActionButton(ModelActions::of(model), product, true, header_);
    actions->addWidget(action_);
    addToCart_ = new QPushButton(QStringLiteral("Add to Cart"), header_);
    addToCart_->setAutoDefault(false);
    connect(addToCart_, &QPushButton::clicked, this, [this] { model_.cart().addToCart(product_, std::nullopt); });
    actions->addWidget(addToCart_);
    failure_ = new SymbolLabel(QStringLiteral("exclamationmark.triangle.fill"), QString(), TextStyle::caption, Theme::systemOrange(), header_);
    failure_->label()->setMaximumWidth(360);
    failure_->label()->setMaximumHeight(failure_->label()->fontMetrics().lineSpacing() * 3);
    actions->addWidget(failure_);
    actions->addStretch();
    texts->addLayout(actions);
    headerRow->addLayout(texts, 1);

    auto* tools = new QHBoxLayout;
    tools->setSpacing(4);
    wishlist_ = toolButton(QStringLiteral("Wishlist"), header_);
    connect(wishlist_, &QToolButton::clicked, this, [this] { model_.cart().toggleWishlist(product_.id); });
    tools->addWidget(wishlist_);
    share_ = toolButton(QStringLiteral("Share"), header_);
    share_->setIcon(QIcon(Symbols::pixmap(QStringLiteral("square.and.arrow.up"), 16, Theme::primary())));
    share_->setPopupMode(QToolButton::InstantPopup);
    // The menu's arrow beside the text, on its middle, not under its baseline.
    Theme::setRole(share_, "menu");
    auto* menu = new QMenu(share_);
    menu->addAction(QStringLiteral("Copy Link"), this, [this] {
        if (screen_.shareLink)
            QApplication::clipboard()->setText(screen_.shareLink->toString(QUrl::FullyEncoded));
    });
    menu->addAction(QStringLiteral("Open in Browser"), this, [this] {
        if (screen_.shareLink && model_.services().openURL)
            model_.services().openURL(*screen_.shareLink);
    });
    share_->setMenu(menu);
    tools->addWidget(share_);
    headerRow->addLayout(tools);
    headerRow->setAlignment(tools, Qt::AlignTop);
    column->addWidget(header_);

    auto* bodyWidget = new QWidget(page);
    body_ = new QVBoxLayout(bodyWidget);
    body_->setContentsMargins(28, 28, 28, 28);
    body_->setSpacing(30);
    facts_ = new QWidget(bodyWidget);
    body_->addWidget(facts_);
    gallery_ = new ScreenshotGallery(model.catalog(), product.id, product.name, product.iconUrl, Theme::accent(), bodyWidget);
    body_->addWidget(gallery_);
    description_ = paragraph(QString(), bodyWidget);
    body_->addWidget(description_);
    reviews_ = new ReviewsSection(model, product, bodyWidget);
    body_->addWidget(reviews_);
    whatsNew_ = new QWidget(bodyWidget);
    body_->addWidget(whatsNew_);
    information_ = new QWidget(bodyWidget);
    body_->addWidget(information_);
    shelf_ = new QWidget(bodyWidget);
    body_->addWidget(shelf_);
    column->addWidget(bodyWidget);
    column->addStretch();
    setWidget(page);

    rebuilder_->watch(&model.catalog(), &StoreCatalog::storefrontChanged);
    rebuilder_->watch(&model.preferences(), &Preferences::currencyChanged);
    rebuilder_->watch(&model.preferences(), &Preferences::wishlistChanged);
    rebuilder_->watch(&model.cart(), &Cart::cartChanged);
    rebuilder_->watch(&model.queue(), &InstallQueue::jobsChanged);
    rebuilder_->watch(&model.library(), &Library::releaseNotesChanged);
    rebuilder_->watch(&model.library(), &Library::installedChanged);
    rebuilder_->watch(&model.accounts(), &Accounts::storeOwnedChanged);
    rebuilder_->watch(&model.accounts(), &Accounts::storeUserChanged);
    rebuilder_->watch(&model.accounts(), &Accounts::tavrenProfileChanged);
    connect(&IconPalette::of(model), &IconPalette::colorArrived, this, [this](const QString& id) {
        if (id == product_.id)
            rebuilder_->request();
    });
    rebuild();
}

ProductPage::~ProductPage()
{
    notesLoad_.request_stop();
}

void ProductPage::showEvent(QShowEvent* event)
{
    QScrollArea::showEvent(event);
    if (event->spontaneous())
        return; // a window restored, not the page coming back
    notesLoad_ = std::stop_source();
    model_.refresh().loadReleaseNotes({product_.id}, notesLoad_.get_token());
}

void ProductPage::hideEvent(QHideEvent* event)
{
    QScrollArea::hideEvent(event);
    if (!event->spontaneous())
        notesLoad_.request_stop();
}

ProductPagePresenter::Input ProductPage::input()
{
    if (const std::optional<StorefrontProduct> current = model_.catalog().storeProduct(product_.id))
        product_ = *current;
    ProductPagePresenter::Input input;
    input.product = product_;
    input.entry = Catalog::entry(product_.id);
    input.currency = model_.preferences().currency();
    input.owns = model_.catalog().owns(product_.id);
    for (const CartLine& line : model_.cart().cart())
        input.inCart = input.inCart || line.product.id == product_.id;
    input.wishlisted = model_.preferences().wishlist().contains(product_.id);
    InstallJob* job = model_.queue().job(product_.id);
    watchJob(job);
    if (job && job->stage().kind == InstallStage::Kind::failed)
        input.failure = job->stage().message;
    input.latestVersion = model_.library().latestVersion(product_);
    const auto notes = model_.library().releaseNotes().constFind(product_.id);
    if (notes != model_.library().releaseNotes().cend())
        input.releaseNotes = notes->releaseDescription;
    if (const std::optional<InstallRecord> record = model_.library().record(product_.id))
        input.installed = ProductPagePresenter::Installed{record->version, record->installedAt.toLocalTime().date()};
    input.storeHost = model_.services().client ? model_.services().client->policy().apiHost : HostPolicy::tavren().apiHost;
    input.products = model_.catalog().products();
    input.kindOf = [](const QString& id) { return Catalog::entry(id).kind; };
    return input;
}

void ProductPage::watchJob(InstallJob* job)
{
    if (watched_ == job)
        return;
    if (watched_)
        disconnect(watched_, nullptr, rebuilder_, nullptr);
    watched_ = job;
    if (job)
        rebuilder_->watch(job, &InstallJob::stageChanged);
}

void ProductPage::rebuild()
{
    screen_ = ProductPagePresenter::screen(input());
    const QColor tint = IconPalette::of(model_).color(product_);
    QColor top = tint;
    top.setAlphaF(0.28f);
    header_->setTop(top);
    gallery_->setTint(tint);
    gallery_->setProduct(product_.name, product_.iconUrl);
    reviews_->setProduct(product_);

    icon_->setProduct(product_.iconUrl, product_.name);
    action_->setProduct(product_);
    name_->setText(product_.name);
    tagline_->setText(product_.tagline);
    category_->setText(screen_.category);
    addToCart_->setVisible(screen_.showsAddToCart);
    addToCart_->setEnabled(screen_.addToCartEnabled);
    failure_->setText(screen_.failure.value_or(QString()));
    failure_->setVisible(screen_.failure.has_value());
    wishlist_->setIcon(QIcon(Symbols::pixmap(screen_.wishlistSymbol, 16, Theme::primary())));
    wishlist_->setToolTip(screen_.wishlistHelp);
    share_->setEnabled(screen_.shareLink.has_value());

    replace(facts_, factStrip());
    description_->setText(screen_.description.value_or(QString()));
    description_->setVisible(screen_.description.has_value());
    replace(whatsNew_, whatsNew());
    replace(information_, information());
    QStringList ids;
    for (const StorefrontProduct& other : screen_.more)
        ids.append(other.id);
    if (ids != shelfIds_ || !shelf_->inherits("hub::Shelf")) {
        shelfIds_ = ids;
        replace(shelf_, new Shelf(ModelActions::of(model_), QStringLiteral("More from Tavren"), std::nullopt, screen_.more));
        shelf_->setVisible(!ids.isEmpty());
    }
}

void ProductPage::replace(QWidget*& slot, QWidget* made)
{
    body_->replaceWidget(slot, made);
    slot->deleteLater();
    slot = made;
}

QWidget* ProductPage::factStrip()
{
    auto* strip = new QWidget;
    strip->setObjectName(QStringLiteral("facts"));
    auto* column = new QVBoxLayout(strip);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);
    column->addWidget(divider(strip, Qt::Horizontal));
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    for (const ProductPagePresenter::Fact& fact : screen_.facts) {
        auto* cell = new QVBoxLayout;
        cell->setSpacing(4);
        QLabel* label = Labels::secondary(Labels::plain(fact.label, TextStyle::caption, strip, QFont::DemiBold));
        label->setAlignment(Qt::AlignHCenter);
        cell->addWidget(label);
        QLabel* value = Labels::plain(fact.value, TextStyle::headline, strip);
        value->setAlignment(Qt::AlignHCenter);
        value->setMinimumWidth(0);
        value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        // A value wider than its share of the strip wraps instead of being cut at both ends.
        value->setWordWrap(true);
        value->setToolTip(fact.value);
        cell->addWidget(value);
        row->addLayout(cell, 1);
        // On every cell's trailing edge, the last one's included.
        row->addWidget(divider(strip, Qt::Vertical), 0, Qt::AlignVCenter);
    }
    column->addLayout(row);
    column->addWidget(divider(strip, Qt::Horizontal));
    return strip;
}

QWidget* ProductPage::whatsNew()
{
    auto* block = new QWidget;
    if (!screen_.whatsNew) {
        block->hide();
        return block;
    }
    const ProductPagePresenter::WhatsNew& news = *screen_.whatsNew;
    auto* column = new QVBoxLayout(block);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(Labels::plain(QStringLiteral("What's New"), TextStyle::title2, block, QFont::Bold));
    column->addWidget(Labels::secondary(Labels::plain(news.version, TextStyle::callout, block)));
    if (news.notes)
        column->addWidget(paragraph(*news.notes, block));
    else
        column->addWidget(Labels::secondary(
            Labels::plain(QStringLiteral("No release notes were published with this version."), TextStyle::body, block)));
    if (news.installed)
        column->addWidget(Labels::secondary(Labels::plain(*news.installed, TextStyle::callout, block)));
    return block;
}

QWidget* ProductPage::information()
{
    auto* block = new QWidget;
    auto* column = new QVBoxLayout(block);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    column->addWidget(Labels::plain(QStringLiteral("Information"), TextStyle::title2, block, QFont::Bold));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(40);
    grid->setVerticalSpacing(10);
    int line = 0;
    for (const ProductPagePresenter::Row& row : screen_.information) {
        grid->addWidget(Labels::secondary(Labels::plain(row.label, TextStyle::body, block)), line, 0, Qt::AlignLeft | Qt::AlignTop);
        if (row.link) {
            QPushButton* link = TextButtons::link(row.value, block);
            const QUrl url = *row.link;
            connect(link, &QPushButton::clicked, this, [this, url] {
                if (model_.services().openURL)
                    model_.services().openURL(url);
            });
            grid->addWidget(link, line, 1, Qt::AlignLeft | Qt::AlignTop);
        } else {
            grid->addWidget(selectable(Labels::plain(row.value, TextStyle::body, block)), line, 1, Qt::AlignLeft | Qt::AlignTop);
        }
        ++line;
    }
    grid->setColumnStretch(2, 1);
    column->addLayout(grid);
    return block;
}

} // namespace hub
