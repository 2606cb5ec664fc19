#pragma once

#include <QColor>
#include <QWidget>
#include <optional>

class QLabel;

namespace hub {

class ProductIcon;

// A drawn stand-in for a screenshot: the product's colours in a gradient with an
// orange glow, its icon and name in the middle. Fills whatever it is given.
class PlaceholderShot : public QWidget {
    Q_OBJECT

public:
    PlaceholderShot(const QString& name, const std::optional<QString>& iconUrl, const QColor& tint, int variant,
        QWidget* parent = nullptr);

    void setTint(const QColor& tint);
    void setProduct(const QString& name, const std::optional<QString>& iconUrl);
    int variant() const { return variant_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor tint_;
    int variant_;
    ProductIcon* icon_;
    QLabel* title_;
};

} // namespace hub
