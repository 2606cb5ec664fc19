#include "app/views/kit/ElidedLabel.h"

#include "app/views/kit/Accessibility.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QPainter>
#include <QTextLayout>

namespace hub {

namespace {

// Static text whose name is the whole text, however it is cut on screen.
class AccessibleElidedLabel : public QAccessibleWidget {
public:
    explicit AccessibleElidedLabel(ElidedLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text kind) const override
    {
        const QString own = QAccessibleWidget::text(kind);
        if (kind != QAccessible::Name || !own.isEmpty())
            return own;
        return static_cast<const ElidedLabel*>(widget())->text();
    }
};

QAccessibleInterface* accessibleElidedLabel(const QString&, QObject* object)
{
    auto* label = qobject_cast<ElidedLabel*>(object);
    return label && !Accessibility::isHidden(label) ? new AccessibleElidedLabel(label) : nullptr;
}

} // namespace

ElidedLabel::ElidedLabel(const QString& text, TextStyle style, int maxLines, QWidget* parent)
    : QWidget(parent), text_(text), maxLines_(qMax(1, maxLines))
{
    Accessibility::addFactory(accessibleElidedLabel);
    setFont(Typography::font(style));
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void ElidedLabel::setText(const QString& text)
{
    if (text == text_)
        return;
    text_ = text;
    relayout();
    if (accessibleName().isEmpty()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void ElidedLabel::setMaxLines(int lines)
{
    maxLines_ = qMax(1, lines);
    relayout();
}

void ElidedLabel::relayout()
{
    lines_.clear();
    updateGeometry();
    update();
}

void ElidedLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        lines_.clear();
    QWidget::changeEvent(event);
}

void ElidedLabel::setColor(const QColor& color)
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, color);
    setPalette(palette);
}

QStringList ElidedLabel::lines(int width) const
{
    if (const auto known = lines_.constFind(width); known != lines_.constEnd())
        return *known;
    if (lines_.size() >= 16)
        lines_.clear(); // a window being resized asks for a new width each time
    QStringList& result = lines_[width];
    if (text_.isEmpty() || width <= 0)
        return result;
    QTextLayout layout(text_, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    while (result.size() < maxLines_) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        if (result.size() == maxLines_ - 1) {
            const QString rest = text_.mid(line.textStart()).simplified();
            result << fontMetrics().elidedText(rest, Qt::ElideRight, width);
            break;
        }
        result << text_.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return result;
}

int ElidedLabel::heightForWidth(int width) const
{
    const qsizetype count = qMax<qsizetype>(1, lines(width).size());
    return int(count) * fontMetrics().lineSpacing();
}

QSize ElidedLabel::sizeHint() const
{
    const int width = qMin(fontMetrics().horizontalAdvance(text_) + 1, 600);
    return {width, heightForWidth(qMax(width, 1))};
}

QSize ElidedLabel::minimumSizeHint() const
{
    return {0, fontMetrics().lineSpacing()};
}

void ElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const int spacing = fontMetrics().lineSpacing();
    int y = 0;
    for (const QString& line : lines(width())) {
        painter.drawText(QRect(0, y, width(), spacing), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line);
        y += spacing;
    }
}

} // namespace hub
