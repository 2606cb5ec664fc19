#pragma once

#include "kit/api/StorefrontProduct.h"

#include <QWidget>

namespace hub {

class ActionButton;
class ProductActions;

// One product in a shelf: its icon, name and tagline (else catalog category) as
// one button that opens its page, and beside it the product's small action
// button, over a divider. The keyboard grid around it draws its focus highlight.
// Assistive technology reads it by the product's name, its subtitle as description.
class ProductTile : public QWidget {
    Q_OBJECT

public:
    ProductTile(ProductActions& actions, const StorefrontProduct& product, QWidget* parent = nullptr);

    ActionButton* actionButton() const { return action_; }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    ProductActions& actions_;
    QString id_;
    ActionButton* action_;
};

} // namespace hub
