#pragma once

#include "app/views/kit/Typography.h"

#include <QHash>
#include <QWidget>

namespace hub {

// Plain text wrapped onto at most `maxLines` lines, the last one ending in "…" when
// the text does not fit.
class ElidedLabel : public QWidget {
    Q_OBJECT

public:
    ElidedLabel(const QString& text, TextStyle style, int maxLines, QWidget* parent = nullptr);

    void setText(const QString& text);
    const QString& text() const { return text_; }
    void setMaxLines(int lines);
    void setColor(const QColor& color);
    // The lines as drawn at `width`.
    QStringList lines(int width) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void relayout();

    QString text_;
    int maxLines_;
    // Layouts ask for the same few widths over and over: the lines of each, until the
    // text, the font or the line limit changes.
    mutable QHash<int, QStringList> lines_;
};

} // namespace hub
