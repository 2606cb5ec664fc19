#pragma once

#include <QWidget>

class QVariantAnimation;

namespace hub {

// The grey outline of the store home while it loads: the title, the hero card and
// two shelves of six tiles, breathing between two faint opacities.
class StoreSkeleton : public QWidget {
    Q_OBJECT

public:
    explicit StoreSkeleton(QWidget* parent = nullptr);

    // 0 at rest, 1 at the brightest point of a breath.
    double pulse() const { return pulse_; }
    // The shapes' opacity at that pulse: 0.05 to 0.09.
    static double opacity(double pulse) { return 0.05 + 0.04 * pulse; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    double pulse_ = 0;
    QVariantAnimation* breath_ = nullptr;
};

} // namespace hub
