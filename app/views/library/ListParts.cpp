#include "app/views/library/ListParts.h"

#include <QScrollArea>

namespace hub::ListParts {

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
