#pragma once

#include <QWidget>
#include <functional>

namespace hub {

// One banner: the tone's symbol in its colour, the text wrapped onto as many lines
// as it needs, and a dismiss button; at most 520 pixels wide on a rounded material.
class BannerRow : public QWidget {
    Q_OBJECT

public:
    enum class Tone { info, success, failure };

    BannerRow(Tone tone, const QString& text, std::function<void()> dismiss, QWidget* parent = nullptr);

    static QString symbol(Tone tone);
    static QColor color(Tone tone);

    // As wide as allowed (520), as tall as the wrapped text needs.
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace hub
