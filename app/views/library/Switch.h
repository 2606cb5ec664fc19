#pragma once

#include <QAbstractButton>

namespace hub {

// A labelled on/off switch: the text, then a rounded track with its knob at the
// trailing end when on, filled with the accent colour. Tab reaches it, where the
// focus ring surrounds the track, and Space turns it.
class Switch : public QAbstractButton {
    Q_OBJECT

public:
    explicit Switch(const QString& text, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace hub
