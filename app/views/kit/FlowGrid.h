#pragma once

#include <QLayout>
#include <QList>

namespace hub {

// Equal columns of at least `minimum` pixels, `spacing` apart, as many as the
// width allows; cells fill the rows left to right, rows follow with no gap, and a
// cell takes its column's width.
class FlowGrid : public QLayout {
public:
    FlowGrid(double minimum, double spacing, QWidget* parent = nullptr);
    ~FlowGrid() override;

    // max(1, trunc((width + spacing) / (minimum + spacing))).
    static int columns(double width, double minimum, double spacing);
    int columns() const { return columns_; }

    void addItem(QLayoutItem* item) override;
    int count() const override { return int(items_.size()); }
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    void setGeometry(const QRect& rect) override;
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }

private:
    int arrange(const QRect& rect, bool apply) const;

    double minimum_;
    double spacing_;
    mutable int columns_ = 1;
    QList<QLayoutItem*> items_;
};

} // namespace hub
