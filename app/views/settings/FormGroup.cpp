#include "app/views/settings/FormGroup.h"

#include "app/views/kit/Divider.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/Theme.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace hub {

namespace {

class Panel : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Theme::primary(0.08), 1));
        painter.setBrush(Theme::primary(0.05));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    }
};

QWidget* hairline(QWidget* parent) { return Divider::make(parent, 0, Theme::primary(0.08)); }

} // namespace

FormGroup::FormGroup(const QString& header, QWidget* parent) : QWidget(parent), box_(new Panel(this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    if (!header.isEmpty()) {
        QLabel* title = Labels::plain(header, TextStyle::headline, this);
        title->setContentsMargins(4, 0, 0, 0);
        column->addWidget(title);
    }
    column->addWidget(box_);
    rows_ = new QVBoxLayout(box_);
    rows_->setContentsMargins(12, 4, 12, 4);
    rows_->setSpacing(0);
}

void FormGroup::addRow(QWidget* row)
{
    if (rows_->count() > 0)
        rows_->addWidget(hairline(box_));
    auto* holder = new QWidget(box_);
    auto* line = new QHBoxLayout(holder);
    line->setContentsMargins(0, 7, 0, 7);
    line->setSizeConstraint(QLayout::SetNoConstraint);
    line->addWidget(row);
    rows_->addWidget(holder);
}

QWidget* FormGroup::addRow(const QString& label, QWidget* trailing)
{
    auto* row = new QWidget;
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    QLabel* title = Labels::plain(label, TextStyle::body, row);
    line->addWidget(title);
    line->addStretch(1);
    trailing->setParent(row);
    // Tied as its label: the screen reader reads the two together.
    title->setBuddy(trailing);
    line->addWidget(trailing);
    addRow(row);
    return row;
}

} // namespace hub
