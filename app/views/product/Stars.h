#pragma once

#include <QWidget>

namespace hub {

// Five star glyphs for a rating (full, half or empty), in the theme's orange.
class Stars : public QWidget {
    Q_OBJECT

public:
    Stars(double rating, int size, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double rating_;
    int size_;
};

} // namespace hub
