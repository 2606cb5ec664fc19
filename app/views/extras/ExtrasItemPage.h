#pragma once

#include "app/views/extras/ExtrasItemPresenter.h"
#include "kit/api/ExtrasItem.h"

#include <QWidget>

namespace hub {

class AppModel;
class Rebuilder;

// The page of one extras item: a tinted header with icon, name, stage, summary,
// shelf and action, then its screenshots and an information grid. Built again
// when the feed or the storefront changes what it shows; it keeps the last item
// it had when the feed drops it.
class ExtrasItemPage : public QWidget {
    Q_OBJECT

public:
    ExtrasItemPage(AppModel& model, const ExtrasItem& item, QWidget* parent = nullptr);

    const ExtrasItemPresenter::Page& page() const { return page_; }

private:
    void rebuild();
    QWidget* header(QWidget* parent);
    QWidget* body(QWidget* parent);

    AppModel& model_;
    ExtrasItem item_;
    Rebuilder* rebuilder_;
    ExtrasItemPresenter::Page page_;
    QWidget* content_ = nullptr;
};

} // namespace hub
