#pragma once

#include "kit/api/ExtrasItem.h"

#include <QWidget>

namespace hub {

class AppModel;
class Rebuilder;

// The screen of one extras shelf: its header over a shelf of every item, or an
// empty state until the feed holds any. Built again when the feed changes.
class ExtrasShelfPage : public QWidget {
    Q_OBJECT

public:
    ExtrasShelfPage(AppModel& model, ExtrasItem::Shelf shelf, QWidget* parent = nullptr);

private:
    void rebuild();

    AppModel& model_;
    ExtrasItem::Shelf shelf_;
    Rebuilder* rebuilder_;
    QWidget* content_ = nullptr;
    QList<ExtrasItem> items_; // as last built
};

} // namespace hub
