#include "app/views/library/ListParts.h"

#include "app/views/kit/Theme.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QScrollArea>

namespace hub::ListParts {

QWidget* divider(int inset)
{
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(inset, 0, 0, 0);
    auto* line = new QFrame(box);
    line->setFixedHeight(1);
    line->setStyleSheet(QStringLiteral("background: %1;").arg(Theme::primary(0.1).name(QColor::HexArgb)));
    row->addWidget(line);
    return box;
}

QScrollArea* scrollPage(QWidget* content)
{
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(content);
    return scroll;
}

} // namespace hub::ListParts
