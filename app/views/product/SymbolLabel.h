#pragma once

#include "app/views/kit/Typography.h"

#include <QColor>
#include <QWidget>

class QLabel;

namespace hub {

// A line of plain text after a symbol, both in one colour: warnings and notices.
class SymbolLabel : public QWidget {
    Q_OBJECT

public:
    SymbolLabel(const QString& symbol, const QString& text, TextStyle style, const QColor& color, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;
    QLabel* label() const { return text_; }

private:
    QLabel* text_;
};

} // namespace hub
