#pragma once

#include "app/views/store/BrowsePresenter.h"

#include <QScrollArea>

class QVBoxLayout;

namespace hub {

class ProductActions;

// The store screens' common frame: a vertical scroll view holding one
// leading-aligned column, 28 pixels from every edge, its children `spacing` apart.
// The column's content is rebuilt in place, so the scroll position survives.
class StorePage : public QScrollArea {
    Q_OBJECT

public:
    explicit StorePage(int spacing, QWidget* parent = nullptr);

    QVBoxLayout* column() const { return column_; }
    // Appends to the column.
    void add(QWidget* child);
    // Takes every child out of the column and deletes it, except `keep`.
    void clear(const QList<QWidget*>& keep = {});
    // The column anew: the page's header and its shelves, none with "See All".
    void fill(ProductActions& actions, const BrowsePresenter::Page& page);
    QSize sizeHint() const override;

private:
    QWidget* content_;
    QVBoxLayout* column_;
};

} // namespace hub
