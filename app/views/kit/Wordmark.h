#pragma once

#include <QWidget>

namespace hub {

// The maker's logotype at `height` pixels: the wordmark drawing on a dark
// background, the mark followed by "avren" on a light one.
class Wordmark : public QWidget {
    Q_OBJECT

public:
    explicit Wordmark(int height, QWidget* parent = nullptr);

    bool darkScheme() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int height_;
};

} // namespace hub
