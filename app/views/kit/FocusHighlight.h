#pragma once

#include <QWidget>

namespace hub {

// The keyboard focus ring of a grid cell: a faint accent fill with a 2-pixel accent
// border inside a 12-pixel rounded rectangle. Off, it stays in place, invisible,
// so that switching fades.
class FocusHighlight : public QWidget {
    Q_OBJECT

public:
    explicit FocusHighlight(QWidget* parent = nullptr);

    void setOn(bool on);
    bool isOn() const { return on_; }
    double opacity() const { return opacity_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool on_ = false;
    double opacity_ = 0;
};

} // namespace hub
