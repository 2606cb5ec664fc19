#include "app/views/kit/Divider.h"

#include "app/views/kit/Theme.h"

#include <QPainter>
#include <QWidget>

namespace hub::Divider {

namespace {

// Painted rather than styled: a shelf or list holds many of these.
class Line : public QWidget {
public:
    Line(QWidget* parent, int indent, const QColor& colour) : QWidget(parent), indent_(indent), colour_(colour)
    {
        setFixedHeight(1);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).fillRect(rect().adjusted(indent_, 0, 0, 0), colour_);
    }

private:
    int indent_;
    QColor colour_;
};

} // namespace

QWidget* make(QWidget* parent, int indent) { return make(parent, indent, Theme::primary(0.1)); }

QWidget* make(QWidget* parent, int indent, const QColor& colour) { return new Line(parent, indent, colour); }

} // namespace hub::Divider
