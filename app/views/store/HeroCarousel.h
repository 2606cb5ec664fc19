#pragma once

#include "app/model/Sleeper.h"
#include "kit/api/StorefrontProduct.h"

#include <QCoroTask>
#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;

namespace hub {

class ActionButton;
class AppModel;
class CarouselDots;
class ElidedLabel;
class ProductIcon;

// The banner over the store home: one featured product at a time on a card tinted
// with its icon's colour, turning to the next every 7 seconds while on screen.
// Clicking the card or "Learn More" opens the product's page. Draws nothing, and
// does not turn, without products; never turns in a snapshot run. While the keyboard's
// focus is on "Learn More", the card shows it with a ring.
class HeroCarousel : public QWidget {
    Q_OBJECT

public:
    explicit HeroCarousel(AppModel& model, QWidget* parent = nullptr);

    // Keeps the index; the shown product is taken modulo the new count.
    void setProducts(const QList<StorefrontProduct>& products);
    const QList<StorefrontProduct>& products() const { return products_; }
    qint64 index() const { return index_; }
    // A dot's choice; the running wait goes on.
    void setIndex(qint64 index);
    // The shown product's id, empty without products.
    QString shownId() const;
    bool turning() const { return turning_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    static QCoro::Task<> turn(QPointer<HeroCarousel> self, Sleeper sleep, int run);
    void present();
    void open();
    QColor tint() const;

    AppModel& model_;
    QList<StorefrontProduct> products_;
    qint64 index_ = 0;
    bool turning_ = false;
    int run_ = 0;
    QColor tint_;
    QLabel* eyebrow_;
    QLabel* name_;
    ElidedLabel* tagline_;
    QPushButton* learnMore_ = nullptr;
    ActionButton* action_ = nullptr;
    ProductIcon* icon_ = nullptr;
    bool grabbingIcon_ = false; // the icon paints only into the card's picture of it
    CarouselDots* dots_;
};

} // namespace hub
