#pragma once

#include "app/views/product/ProductPagePresenter.h"

#include <QPointer>
#include <QScrollArea>
#include <stop_token>

class QLabel;
class QPushButton;
class QToolButton;
class QVBoxLayout;

namespace hub {

class ActionButton;
class AppModel;
class HeaderWash;
class InstallJob;
class ProductIcon;
class Rebuilder;
class ReviewsSection;
class ScreenshotGallery;
class SymbolLabel;

// The page of one store product: header with icon, name and actions, the five
// facts, screenshots, description, ratings and reviews, "What's New", the
// information rows and more products of its kind; wishlist and share on top. Every
// text follows the model; the gallery and the reviews keep their own state.
class ProductPage : public QScrollArea {
    Q_OBJECT

public:
    ProductPage(AppModel& model, const StorefrontProduct& product, QWidget* parent = nullptr);
    ~ProductPage() override;

    const ProductPagePresenter::Screen& screen() const { return screen_; }
    QPushButton* addToCartButton() const { return addToCart_; }
    QToolButton* wishlistButton() const { return wishlist_; }
    QToolButton* shareButton() const { return share_; }
    ScreenshotGallery* gallery() const { return gallery_; }
    ReviewsSection* reviews() const { return reviews_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    ProductPagePresenter::Input input();
    void rebuild();
    void replace(QWidget*& slot, QWidget* made);
    QWidget* factStrip();
    QWidget* whatsNew();
    QWidget* information();
    void watchJob(InstallJob* job);

    AppModel& model_;
    StorefrontProduct product_;
    Rebuilder* rebuilder_;
    ProductPagePresenter::Screen screen_;
    QPointer<InstallJob> watched_;
    QStringList shelfIds_;
    std::stop_source notesLoad_; // the release notes asked for while on screen

    HeaderWash* header_;
    ProductIcon* icon_;
    QLabel* name_;
    QLabel* tagline_;
    QLabel* category_;
    ActionButton* action_;
    QPushButton* addToCart_;
    SymbolLabel* failure_;
    QToolButton* wishlist_;
    QToolButton* share_;
    QVBoxLayout* body_;
    QWidget* facts_ = nullptr;
    ScreenshotGallery* gallery_;
    QLabel* description_;
    ReviewsSection* reviews_;
    QWidget* whatsNew_ = nullptr;
    QWidget* information_ = nullptr;
    QWidget* shelf_ = nullptr;
};

} // namespace hub
