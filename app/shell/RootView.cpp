#include "app/shell/RootView.h"

#include "app/model/AppModel.h"
#include "app/shell/DetailView.h"
#include "app/shell/Screens.h"
#include "app/shell/SidebarView.h"

#include <QDialog>
#include <QLabel>
#include <QSplitter>
#include <QVBoxLayout>

namespace hub {

RootView::RootView(AppModel& model, bool splash, QWidget* parent)
    : QWidget(parent), model_(model), sidebar_(new SidebarView(model)), detail_(new DetailView(model)),
      banners_(new QWidget), bannerRows_(new QVBoxLayout(banners_)), splash_(splash)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(sidebar_);
    auto* column = new QWidget;
    auto* columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(0, 0, 0, 0);
    columnLayout->addWidget(detail_, 1);
    columnLayout->addWidget(banners_);
    splitter->addWidget(column);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({230, 1000});
    layout->addWidget(splitter);

    connect(&model_.banners(), &Banners::bannersChanged, this, &RootView::showBanners);
    connect(&model_.accounts(), &Accounts::showSignInChanged, this, &RootView::followSignIn);
    showBanners();
    followSignIn();
}

void RootView::showBanners()
{
    while (QLayoutItem* item = bannerRows_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const Banner& banner : model_.banners().banners()) {
        auto* row = new QLabel(banner.text, banners_);
        row->setTextFormat(Qt::PlainText);
        row->setWordWrap(true);
        row->setMargin(8);
        row->setAutoFillBackground(true);
        row->setBackgroundRole(banner.tone == Banner::Tone::failure ? QPalette::BrightText : QPalette::AlternateBase);
        if (banner.tone == Banner::Tone::failure)
            row->setForegroundRole(QPalette::Base);
        bannerRows_->addWidget(row);
    }
    banners_->setVisible(!model_.banners().banners().isEmpty());
}

void RootView::followSignIn()
{
    const bool show = model_.accounts().showSignIn();
    if (show && !signInSheet_) {
        signInSheet_ = new QDialog(this);
        signInSheet_->setWindowModality(Qt::WindowModal);
        signInSheet_->setWindowTitle(QStringLiteral("Sign In"));
        signInSheet_->resize(460, 520);
        auto* layout = new QVBoxLayout(signInSheet_);
        layout->addWidget(Screens::signIn(model_));
        // Dismissing the sheet clears the model's flag.
        connect(signInSheet_, &QDialog::finished, this, [this] { model_.accounts().setShowSignIn(false); });
        signInSheet_->open();
    } else if (!show && signInSheet_) {
        QDialog* sheet = signInSheet_;
        signInSheet_ = nullptr;
        sheet->disconnect(this);
        sheet->close();
        sheet->deleteLater();
    }
}

} // namespace hub
