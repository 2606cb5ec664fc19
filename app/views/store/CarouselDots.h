#pragma once

#include <QMouseEvent>
#include <QWidget>
#include <functional>
#include <optional>

namespace hub {

// The carousel's page dots: one 7-pixel circle per product, 6 apart, the shown
// one bright. Clicking a dot chooses it.
class CarouselDots : public QWidget {
    Q_OBJECT

public:
    explicit CarouselDots(std::function<void(int)> choose, QWidget* parent = nullptr);

    void setDots(const QList<bool>& dots);
    // The dot under a point, if any.
    std::optional<int> dotAt(const QPoint& point) const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::function<void(int)> choose_;
    QList<bool> dots_;
};

} // namespace hub
