#pragma once

#include <QWidget>

class QPainter;

namespace hub {

// The window's keyboard focus ring: a faint accent fill with a 2-pixel accent border.
// `paint` draws it on every control Tab reaches; as a widget it is a grid's ring, inside
// a 12-pixel rounded rectangle that follows the focused cell. Off, it stays in place,
// invisible, so that switching fades.
class FocusHighlight : public QWidget {
    Q_OBJECT

public:
    explicit FocusHighlight(QWidget* parent = nullptr);

    void setOn(bool on);
    bool isOn() const { return on_; }
    double opacity() const { return opacity_; }

    // The ring in `colour` inside `bounds` with corners of `radius`, at `opacity`: the
    // accent's, and the primary colour's where it lies on the accent.
    static void paint(QPainter& painter, const QRectF& bounds, double radius, const QColor& colour, double opacity = 1);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool on_ = false;
    double opacity_ = 0;
};

} // namespace hub
