#include "app/views/store/StorePage.h"

#include "app/views/kit/PageHeader.h"
#include "app/views/kit/Shelf.h"

#include <QVBoxLayout>

namespace hub {

StorePage::StorePage(int spacing, QWidget* parent)
    : QScrollArea(parent), content_(new QWidget), column_(new QVBoxLayout(content_))
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column_->setContentsMargins(28, 28, 28, 28);
    column_->setSpacing(spacing);
    column_->setAlignment(Qt::AlignTop);
    content_->setAutoFillBackground(false);
    setWidget(content_);
    viewport()->setAutoFillBackground(false);
}

void StorePage::add(QWidget* child)
{
    column_->addWidget(child);
}

void StorePage::clear(const QList<QWidget*>& keep)
{
    for (int at = column_->count() - 1; at >= 0; --at) {
        QWidget* child = column_->itemAt(at)->widget();
        if (keep.contains(child))
            continue;
        delete column_->takeAt(at);
        if (child) {
            child->hide();
            child->deleteLater();
        }
    }
}

void StorePage::fill(ProductActions& actions, const BrowsePresenter::Page& page)
{
    clear();
    add(new PageHeader(page.title, page.subtitle, content_));
    for (const BrowsePresenter::Shelf& shelf : page.shelves)
        add(new Shelf(actions, shelf.title, std::nullopt, shelf.products, {}, content_));
}

// The window gives a page its size. Asking the column instead would lay out every shelf
// just to be told what the window ignores, and at start before the page is even shown.
QSize StorePage::sizeHint() const
{
    const int unit = fontMetrics().height();
    return {36 * unit, 24 * unit};
}

} // namespace hub
