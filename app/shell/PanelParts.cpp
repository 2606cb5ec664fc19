#include "app/shell/PanelParts.h"

#include "app/views/kit/Artwork.h"
#include "app/views/kit/Labels.h"

#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace hub::PanelParts {

namespace {

constexpr int width = 340;

QLabel* mark(int side, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setAlignment(Qt::AlignHCenter);
    const qreal ratio = label->devicePixelRatioF();
    const QIcon icon = QIcon::fromTheme(QStringLiteral("com.tavren.hub"));
    if (!icon.isNull()) {
        label->setPixmap(icon.pixmap(QSize(side, side), ratio));
        return label;
    }
    QPixmap pixmap(QSize(side, side) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    Artwork::paint(painter, Artwork::mark, QRectF(0, 0, side, side));
    painter.end();
    label->setPixmap(pixmap);
    return label;
}

} // namespace

QVBoxLayout* column(QWidget* panel, const QString& title)
{
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->setSpacing(6);
    layout->addWidget(mark(64, panel));
    QLabel* heading = Labels::plain(title, TextStyle::title3, panel, QFont::Bold);
    heading->setAlignment(Qt::AlignHCenter);
    heading->setWordWrap(true);
    layout->addWidget(heading);
    panel->setFixedWidth(width);
    return layout;
}

QString unbroken(const QString& text)
{
    // A word joiner between every two characters: no break after a hyphen, a slash or a dot.
    QString joined;
    for (qsizetype at = 0; at < text.size(); ++at) {
        joined.append(text.at(at));
        if (at + 1 < text.size() && !text.at(at).isHighSurrogate())
            joined.append(QChar(0x2060));
    }
    return joined;
}

} // namespace hub::PanelParts
