#include "app/views/kit/ShelfHeader.h"

#include "app/views/kit/Labels.h"
#include "app/views/kit/TextButtons.h"
#include "app/views/kit/Theme.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace hub {

ShelfHeader::ShelfHeader(const QString& title, const std::optional<QString>& subtitle, std::function<void()> seeAll,
    QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(Labels::plain(title, TextStyle::title2, this, QFont::Bold));
    if (subtitle)
        texts->addWidget(Labels::secondary(Labels::plain(*subtitle, TextStyle::subheadline, this)));
    row->addLayout(texts);
    row->addStretch(1);
    if (seeAll) {
        QPushButton* button = TextButtons::link(QStringLiteral("See All"), this);
        connect(button, &QPushButton::clicked, this, [seeAll] { seeAll(); });
        row->addWidget(button, 0, Qt::AlignBottom);
    }
}

} // namespace hub
