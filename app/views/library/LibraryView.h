#pragma once

#include "app/views/library/LibraryPresenter.h"

#include <QHash>
#include <QWidget>

class QButtonGroup;
class QHBoxLayout;
class QStackedLayout;
class QVBoxLayout;

namespace hub {

class AppModel;
class LazyColumn;
class LibraryRow;
class Rebuilder;

// The Library screen: signed out, nothing owned, or the owned products with the
// count line, the filter and (without a store account) the store callout. The
// filter is the screen's own and starts at All; rows are made as they come into view
// and kept by product id.
class LibraryView : public QWidget {
    Q_OBJECT

public:
    explicit LibraryView(AppModel& model, QWidget* parent = nullptr);

    LibraryPresenter::Filter filter() const { return filter_; }
    void setFilter(LibraryPresenter::Filter filter);
    const LibraryPresenter::Screen& screen() const { return screen_; }
    // The row of a listed product (made now if it was not yet).
    LibraryRow* row(const QString& productId) const;
    // The product ids of the rows listed, in order (tests).
    QStringList shownRows() const;

private:
    void rebuild();
    void placeRows();
    QWidget* makeList();

    AppModel& model_;
    Rebuilder* rebuilder_;
    LibraryPresenter::Filter filter_ = LibraryPresenter::Filter::all;
    LibraryPresenter::Screen screen_;
    QStackedLayout* pages_;
    QHBoxLayout* header_;
    QWidget* pageHeader_;
    QString shownCount_;
    QButtonGroup* picker_;
    QWidget* callout_;
    LazyColumn* rows_;                         // each a row and its divider
    QHash<QString, StorefrontProduct> listed_; // the rows' products, by id
};

} // namespace hub
