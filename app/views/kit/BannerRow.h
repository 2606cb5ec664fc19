#pragma once

#include <QWidget>
#include <functional>

namespace hub {

// One banner: the tone's symbol in its colour, the text wrapped onto as many lines
// as it needs, and a dismiss button; at most 520 pixels wide on a rounded material.
// A screen reader says its text as it appears.
class BannerRow : public QWidget {
    Q_OBJECT

public:
    enum class Tone { info, success, failure };
    static constexpr int maximumRowWidth = 520;

    BannerRow(Tone tone, const QString& text, std::function<void()> dismiss, QWidget* parent = nullptr);

    static QString symbol(Tone tone);
    static QColor color(Tone tone);

    // As wide as allowed (520), as tall as the wrapped text needs.
    QSize sizeHint() const override;
    // The whole row, its shadow included, drawn at this opacity.
    void setOpacity(double opacity);
    double opacity() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    class Shadow;
    Shadow* shadow_;
};

} // namespace hub
