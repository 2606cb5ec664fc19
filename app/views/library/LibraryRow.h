#pragma once

#include "app/views/library/LibraryRowPresenter.h"

#include <QWidget>

class QLabel;
class QMenu;
class QToolButton;

namespace hub {

class ActionButton;
class ProductIcon;
class AppModel;

// One owned product in the Library: icon, name, install status, the older-copy
// warning, the product's action button and the menu of further actions. A click
// anywhere outside the two controls opens the product's page.
class LibraryRow : public QWidget {
    Q_OBJECT

public:
    LibraryRow(AppModel& model, const StorefrontProduct& product, QWidget* parent = nullptr);

    // Reads the product's record again (and takes the product's latest data).
    void refresh(const StorefrontProduct& product);
    const StorefrontProduct& product() const { return product_; }
    const LibraryRowPresenter::Row& shown() const { return row_; }
    QMenu* menu() const { return menu_; }
    // Runs a menu entry's action.
    void run(LibraryRowPresenter::Action action);

    // The presenter's input for the product from the model.
    static LibraryRowPresenter::Input input(AppModel& model, const StorefrontProduct& product);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void fillMenu();

    AppModel& model_;
    StorefrontProduct product_;
    LibraryRowPresenter::Row row_;
    ProductIcon* icon_;
    QLabel* name_;
    QLabel* status_;
    QWidget* warning_;
    ActionButton* action_;
    QToolButton* more_;
    QMenu* menu_;
};

} // namespace hub
