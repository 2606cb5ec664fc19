#include "app/views/kit/ScrollPage.h"

#include <QScrollArea>

namespace hub::ScrollPage {

QScrollArea* make(QWidget* content, QWidget* parent)
{
    auto* scroll = new QScrollArea(parent);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(content);
    return scroll;
}

} // namespace hub::ScrollPage
