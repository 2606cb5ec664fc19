#include "app/views/settings/FormPage.h"

#include "app/views/settings/FormGroup.h"

#include <QVBoxLayout>

namespace hub {

FormPage::FormPage(const QString& title, QWidget* parent) : QScrollArea(parent), form_(new QWidget), column_(new QVBoxLayout(form_))
{
    setAccessibleName(title);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column_->setContentsMargins(20, 20, 20, 20);
    column_->setSpacing(18);
    column_->addStretch(1);
    setWidget(form_);
}

FormGroup* FormPage::add(FormGroup* group)
{
    group->setParent(form_);
    column_->insertWidget(column_->count() - 1, group);
    return group;
}

} // namespace hub
