#include "app/views/extras/ExtrasItemPage.h"

#include "app/model/AppModel.h"
#include "app/views/extras/ExtrasActionButton.h"
#include "app/views/extras/StageChip.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/ProductIcon.h"
#include "app/views/kit/Rebuilder.h"
#include "app/views/kit/ScreenshotGallery.h"
#include "app/views/kit/ScrollPage.h"
#include "app/views/kit/Theme.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace hub {

namespace {

constexpr int padding = 28;

// The header's backdrop: violet at the top, fading to nothing at the bottom.
class Tinted : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        QLinearGradient gradient(0, 0, 0, height());
        QColor top = Theme::violet();
        top.setAlphaF(0.25f);
        QColor bottom = top;
        bottom.setAlphaF(0);
        gradient.setColorAt(0, top);
        gradient.setColorAt(1, bottom);
        painter.fillRect(rect(), gradient);
    }
};

// A plain-text link in the accent colour that opens its address.
class Link : public QLabel {
public:
    Link(const QString& text, std::function<void()> open, QWidget* parent) : QLabel(parent), open_(std::move(open))
    {
        setTextFormat(Qt::PlainText);
        setText(text);
        setFont(Typography::font(TextStyle::body));
        Labels::setColor(this, Theme::accent());
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && open_)
            open_();
    }

private:
    std::function<void()> open_;
};

// One row of the information grid: the label in the secondary colour, then the value.
void addRow(QGridLayout& grid, QWidget* parent, const QString& label, QWidget* value, Qt::Alignment alignment = {})
{
    const int at = grid.count() / 2;
    grid.addWidget(Labels::secondary(Labels::plain(label, TextStyle::body, parent)), at, 0, Qt::AlignLeft | Qt::AlignTop);
    grid.addWidget(value, at, 1, alignment);
}

} // namespace

ExtrasItemPage::ExtrasItemPage(AppModel& model, const ExtrasItem& item, QWidget* parent)
    : QWidget(parent), model_(model), item_(item), rebuilder_(new Rebuilder(this, [this] { rebuild(); }))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    rebuilder_->watch(&model_.catalog(), &StoreCatalog::extrasChanged);
    rebuilder_->watch(&model_.catalog(), &StoreCatalog::storefrontChanged);
    rebuild();
}

void ExtrasItemPage::rebuild()
{
    const ExtrasItem item = model_.catalog().extrasItem(item_.id).value_or(item_);
    const ExtrasItemPresenter::Page page = ExtrasItemPresenter::page(item, model_.catalog().route(item));
    if (content_ && page == page_ && item == item_)
        return; // the action button follows the storefront itself
    item_ = item;
    page_ = page;
    setWindowTitle(page.title);
    delete content_;
    auto* inner = new QWidget;
    auto* column = new QVBoxLayout(inner);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(header(inner));
    column->addWidget(body(inner));
    column->addStretch(1);
    content_ = ScrollPage::make(inner, this);
    layout()->addWidget(content_);
}

QWidget* ExtrasItemPage::header(QWidget* parent)
{
    auto* header = new Tinted(parent);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(padding, padding, padding, padding);
    row->setSpacing(24);
    row->addWidget(new ProductIcon(item_.iconUrl, item_.name, 140, header), 0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(6);
    auto* nameRow = new QHBoxLayout;
    nameRow->setSpacing(8);
    QLabel* name = Labels::plain(page_.title, TextStyle::body, header);
    name->setFont(Typography::font(32, QFont::Bold));
    name->setWordWrap(true);
    nameRow->addWidget(name, 0, Qt::AlignVCenter);
    if (item_.stage)
        nameRow->addWidget(new StageChip(*item_.stage, header), 0, Qt::AlignVCenter);
    nameRow->addStretch(1);
    texts->addStretch(1);
    texts->addLayout(nameRow);
    if (page_.summary) {
        QLabel* summary = Labels::secondary(Labels::plain(*page_.summary, TextStyle::title3, header));
        summary->setWordWrap(true);
        texts->addWidget(summary);
    }
    QLabel* shelf = Labels::plain(page_.shelf, TextStyle::callout, header);
    Labels::setColor(shelf, Theme::primary(0.4)); // tertiary
    texts->addWidget(shelf);
    texts->addSpacing(10);
    texts->addWidget(new ExtrasActionButton(model_, item_, true, header), 0, Qt::AlignLeft);
    texts->addStretch(1);
    row->addLayout(texts, 1);
    return header;
}

QWidget* ExtrasItemPage::body(QWidget* parent)
{
    auto* body = new QWidget(parent);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(padding, padding, padding, padding);
    column->setSpacing(30);
    column->addWidget(new ScreenshotGallery(model_.catalog(), item_.id, item_.name, item_.iconUrl, Theme::magenta(), body));

    auto* information = new QVBoxLayout;
    information->setSpacing(10);
    information->addWidget(Labels::plain(QStringLiteral("Information"), TextStyle::title2, body, QFont::Bold));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(40);
    grid->setVerticalSpacing(10);
    grid->setColumnStretch(1, 1);
    information->addLayout(grid);
    column->addLayout(information);
    for (const ExtrasItemPresenter::Row& line : page_.rows) {
        if (line.link) {
            addRow(*grid, body, line.label, new Link(line.value, [this, url = *line.link] {
                if (model_.services().openURL)
                    model_.services().openURL(url);
            }, body), Qt::AlignLeft | Qt::AlignTop);
            continue;
        }
        QLabel* value = Labels::plain(line.value, TextStyle::body, body);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        value->setWordWrap(true);
        addRow(*grid, body, line.label, value);
    }
    return body;
}

} // namespace hub
