#include "app/views/kit/PageHeader.h"

#include "app/views/kit/Labels.h"

#include <QVBoxLayout>

namespace hub {

PageHeader::PageHeader(const QString& title, const std::optional<QString>& subtitle, QWidget* parent) : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    column->addWidget(Labels::plain(title, TextStyle::pageTitle, this));
    if (subtitle) {
        QLabel* line = Labels::secondary(Labels::plain(*subtitle, TextStyle::title3, this));
        line->setWordWrap(true);
        column->addWidget(line);
    }
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

} // namespace hub
