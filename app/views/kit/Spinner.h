#pragma once

#include <QWidget>

class QVariantAnimation;

namespace hub {

// The indeterminate spinner: a turning arc of `side` pixels. Still when motion is off.
class Spinner : public QWidget {
    Q_OBJECT

public:
    explicit Spinner(int side, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    double angle_ = 0;
    QVariantAnimation* turn_ = nullptr;
};

} // namespace hub
