#pragma once

#include <QWidget>

class QLabel;
class QToolButton;
class QVariantAnimation;

namespace hub {

class ProductActions;
class Spinner;

// A job's compact progress: the ring (the download's fraction, or a spinner) with
// the pause square, and in the large form the stage's caption. Byte ticks only
// repaint the ring. Assistive technology reads a progress bar: the caption as its
// name, the percentage as its value.
class ProgressPill : public QWidget {
    Q_OBJECT

public:
    // `productName` describes the pause button.
    ProgressPill(ProductActions& actions, const QString& productId, const QString& productName, bool large,
        QWidget* parent = nullptr);

    // How many byte ticks reached this pill (tests).
    int ticks() const { return ticks_; }
    std::optional<double> fraction() const { return fraction_; }
    // The fraction in whole percent, as assistive technology reads it.
    std::optional<int> percent() const
    {
        return fraction_ ? std::optional<int>(int(*fraction_ * 100)) : std::nullopt;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void read();
    void paintRing(QToolButton* ring);

    ProductActions& actions_;
    QString productId_;
    QToolButton* ring_;
    Spinner* spinner_;
    QLabel* caption_ = nullptr;
    std::optional<double> fraction_;
    double drawn_ = 0; // the arc as drawn, following fraction_ over 0.2 s
    QVariantAnimation* sweep_ = nullptr;
    int ticks_ = 0;
};

} // namespace hub
