#pragma once

#include <QWidget>

namespace hub {

// An item's stage in small bold capitals on a faint orange capsule.
class StageChip : public QWidget {
    Q_OBJECT

public:
    explicit StageChip(const QString& stage, QWidget* parent = nullptr);

    const QString& text() const { return text_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

} // namespace hub
