#pragma once

#include <QColor>
#include <QWidget>

namespace hub {

// The small "BETA" capsule of the main window: heavy 9-point text in the accent colour,
// on the accent at 15 % inside a 1-point outline of the accent at 40 %.
class BetaBadge : public QWidget {
    Q_OBJECT
public:
    explicit BetaBadge(QColor accent, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont badgeFont() const;

    QColor accent_;
};

} // namespace hub
