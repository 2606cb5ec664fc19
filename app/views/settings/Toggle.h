#pragma once

#include <QAbstractButton>

namespace hub {

// An on/off switch: a rounded track, accent-filled when on, with a round knob. Greyed
// out while disabled, still showing its state.
class Toggle : public QAbstractButton {
    Q_OBJECT

public:
    explicit Toggle(const QString& accessibleName, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace hub
