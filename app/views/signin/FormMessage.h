#pragma once

#include <QWidget>

class QLabel;

namespace hub {

// A row under a form's fields: a symbol and a wrapped line of plain text in the
// callout font, both in one colour, at the leading edge.
class FormMessage : public QWidget {
    Q_OBJECT

public:
    FormMessage(const QString& symbol, const QColor& color, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;

private:
    QLabel* text_;
};

} // namespace hub
