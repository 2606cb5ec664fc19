#include "app/views/store/CartView.h"

#include "app/model/AppModel.h"
#include "app/views/kit/Divider.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/ProductIcon.h"
#include "app/views/kit/Rebuilder.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/TextButtons.h"
#include "app/views/kit/Theme.h"
#include "app/views/store/CartPresenter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace hub {

CartView::CartView(AppModel& model, std::function<void()> close, QWidget* parent)
    : QWidget(parent), model_(model), close_(std::move(close)), column_(new QVBoxLayout(this)),
      rebuild_(new Rebuilder(this, [this] { rebuild(); }))
{
    setFixedWidth(340);
    column_->setContentsMargins(16, 16, 16, 16);
    column_->setSpacing(12);
    column_->setAlignment(Qt::AlignTop);
    rebuild_->watch(&model_.cart(), &Cart::cartChanged);
    rebuild_->watch(&model_.preferences(), &Preferences::currencyChanged);
    rebuild();
}

void CartView::rebuild()
{
    while (QLayoutItem* item = column_->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    const CartPresenter::Screen screen = CartPresenter::present(model_.cart().cart(), model_.preferences().currency());
    column_->addWidget(Labels::plain(screen.title, TextStyle::title3, this, QFont::Bold));
    if (screen.empty) {
        column_->addWidget(Labels::secondary(Labels::plain(*screen.empty, TextStyle::body, this)));
        fit();
        return;
    }

    QPointer<AppModel> model(&model_);
    const QList<CartLine> lines = model_.cart().cart();
    for (qsizetype at = 0; at < lines.size(); ++at) {
        const CartPresenter::Row& row = screen.rows.at(at);
        auto* line = new QWidget(this);
        line->setObjectName(row.id);
        auto* layout = new QHBoxLayout(line);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(8);
        layout->addWidget(new ProductIcon(row.iconUrl, row.name, 30, line));
        auto* names = new QVBoxLayout;
        names->setSpacing(2);
        names->addWidget(Labels::plain(row.name, TextStyle::body, line));
        if (row.unsold)
            names->addWidget(Labels::secondary(Labels::plain(*row.unsold, TextStyle::caption, line)));
        layout->addLayout(names);
        layout->addStretch();
        layout->addWidget(Labels::monospacedDigits(Labels::plain(row.price, TextStyle::body, line)));
        auto* remove = new QToolButton(line);
        remove->setAutoRaise(true);
        remove->setIcon(QIcon(Symbols::pixmap(QStringLiteral("minus.circle"), 16, Theme::secondary(), devicePixelRatio())));
        remove->setAccessibleName(row.removeLabel);
        Labels::setToolTip(remove, row.removeLabel);
        connect(remove, &QToolButton::clicked, this, [model, removed = lines.at(at)] {
            if (model)
                model->cart().removeFromCart(removed);
        });
        layout->addWidget(remove);
        column_->addWidget(line);
    }

    column_->addWidget(Divider::make(this));

    auto* total = new QWidget(this);
    auto* totalRow = new QHBoxLayout(total);
    totalRow->setContentsMargins(0, 0, 0, 0);
    totalRow->addWidget(Labels::secondary(Labels::plain(screen.totalLabel, TextStyle::body, total)));
    totalRow->addStretch();
    totalRow->addWidget(Labels::monospacedDigits(Labels::plain(screen.total, TextStyle::body, total, QFont::Bold)));
    column_->addWidget(total);
    if (screen.leftOut) {
        QLabel* leftOut = Labels::secondary(Labels::plain(*screen.leftOut, TextStyle::caption, this));
        leftOut->setWordWrap(true);
        column_->addWidget(leftOut);
    }

    QPushButton* checkOut = TextButtons::asProminent(new QPushButton(screen.checkOut, this));
    checkOut->setObjectName(QStringLiteral("checkOut"));
    checkOut->setIcon(QIcon(Symbols::pixmap(QStringLiteral("lock.fill"), 14, Qt::white, devicePixelRatio())));
    checkOut->setMinimumHeight(32);
    connect(checkOut, &QPushButton::clicked, this, [this, model] {
        if (close_)
            close_();
        else
            window()->close();
        // The cart as it is when the checkout starts; the popover does not wait.
        QTimer::singleShot(0, model, [model] {
            if (model)
                model->checkout().beginCheckout(model->cart().cart(), true);
        });
    });
    column_->addWidget(checkOut);
    fit();
}

void CartView::fit()
{
    adjustSize();
    if (window() != this)
        window()->adjustSize();
}

} // namespace hub
