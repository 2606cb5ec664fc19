#include "app/views/library/ConnectStoreCallout.h"

#include "app/model/AppModel.h"
#include "app/views/kit/Accessibility.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/SymbolName.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/Theme.h"
#include "app/views/kit/TextButtons.h"
#include "app/views/library/LibraryPresenter.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace hub {

ConnectStoreCallout::ConnectStoreCallout(AppModel& model, QWidget* parent) : QWidget(parent)
{
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(16, 16, 16, 16);
    line->setSpacing(14);
    auto* symbol = new QLabel(this);
    symbol->setPixmap(Symbols::pixmap("link.circle.fill"_symbol, 30, Theme::accent()));
    Accessibility::hide(symbol);
    line->addWidget(symbol, 0, Qt::AlignVCenter);

    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    column->addWidget(Labels::plain(LibraryPresenter::calloutTitle, TextStyle::headline, this));
    QLabel* message = Labels::secondary(Labels::plain(LibraryPresenter::calloutMessage, TextStyle::callout, this));
    message->setWordWrap(true);
    column->addWidget(message);
    line->addLayout(column, 1);

    auto* connect = TextButtons::asProminent(new QPushButton(LibraryPresenter::connect, this), TextButtons::Size::small);
    line->addWidget(connect, 0, Qt::AlignVCenter);
    QObject::connect(connect, &QPushButton::clicked, this, [&model] {
        model.accounts().openSignIn(SignInPurpose::connectStore(LibraryPresenter::connectReason));
    });
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ConnectStoreCallout::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    QColor fill = Theme::accent();
    fill.setAlphaF(0.08f);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()), 14, 14);
}

} // namespace hub
