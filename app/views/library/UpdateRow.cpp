#include "app/views/library/UpdateRow.h"

#include "app/views/kit/ActionButton.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/ModelActions.h"
#include "app/views/kit/ProductIcon.h"
#include "app/views/kit/TextButtons.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace hub {

namespace {

constexpr int collapsedLines = 3;

} // namespace

UpdateRow::UpdateRow(AppModel& model, const UpdatesPresenter::AvailableRow& row, QWidget* parent)
    : QWidget(parent), icon_(new ProductIcon(row.product.iconUrl, row.product.name, 58, this)),
      name_(Labels::plain(row.product.name, TextStyle::headline, this)),
      version_(Labels::secondary(Labels::plain({}, TextStyle::caption, this))),
      action_(new ActionButton(ModelActions::of(model), row.product, false, this)),
      notes_(Labels::plain({}, TextStyle::callout, this)),
      toggle_(TextButtons::asLink(new QPushButton(UpdatesPresenter::toggleTitle(false), this)))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 10, 0, 10);
    column->setSpacing(8);
    auto* line = new QHBoxLayout;
    line->setSpacing(14);
    line->addWidget(icon_);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(name_);
    texts->addWidget(version_);
    line->addLayout(texts);
    line->addStretch(1);
    line->addWidget(action_, 0, Qt::AlignVCenter);
    column->addLayout(line);
    notes_->setWordWrap(true);
    notes_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    toggle_->setFont(Typography::font(TextStyle::callout));
    column->addWidget(notes_);
    column->addWidget(toggle_, 0, Qt::AlignLeft);
    connect(toggle_, &QPushButton::clicked, this, &UpdateRow::toggle);
    setRow(row);
}

void UpdateRow::setRow(const UpdatesPresenter::AvailableRow& row)
{
    icon_->setProduct(row.product.iconUrl, row.product.name);
    name_->setText(row.product.name);
    version_->setText(row.versionLine);
    action_->setProduct(row.product);
    notes_->setText(row.notes.value_or(QString()));
    notes_->setVisible(row.notes.has_value());
    toggle_->setVisible(row.notes.has_value());
    if (toggle_->accessibleDescription() != row.product.name)
        toggle_->setAccessibleDescription(row.product.name); // "More" in a list reads whose
    applyExpanded();
}

void UpdateRow::toggle()
{
    expanded_ = !expanded_;
    applyExpanded();
}

void UpdateRow::applyExpanded()
{
    toggle_->setText(UpdatesPresenter::toggleTitle(expanded_));
    // Collapsed, the notes are cut to three lines of their font.
    notes_->setMaximumHeight(expanded_ ? QWIDGETSIZE_MAX : QFontMetrics(notes_->font()).lineSpacing() * collapsedLines);
}

} // namespace hub
