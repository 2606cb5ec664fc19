#include "app/views/kit/Artwork.h"

#include <QHash>
#include <QSvgRenderer>

namespace hub::Artwork {

namespace {

QSvgRenderer& renderer(const char* artwork)
{
    // Main thread only, like every painting.
    static QHash<QString, QSvgRenderer*> loaded;
    const QString key = QString::fromLatin1(artwork);
    auto found = loaded.find(key);
    if (found == loaded.end())
        found = loaded.insert(key, new QSvgRenderer(key));
    return **found;
}

} // namespace

void paint(QPainter& painter, const char* artwork, const QRectF& rect)
{
    QSvgRenderer& svg = renderer(artwork);
    const QSizeF size = QSizeF(svg.defaultSize()).scaled(rect.size(), Qt::KeepAspectRatio);
    svg.render(&painter, QRectF(rect.center().x() - size.width() / 2, rect.center().y() - size.height() / 2,
                             size.width(), size.height()));
}

double widthAt(const char* artwork, double height)
{
    const QSize size = renderer(artwork).defaultSize();
    return size.height() > 0 ? height * size.width() / size.height() : height;
}

} // namespace hub::Artwork
