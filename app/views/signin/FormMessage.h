#pragma once

#include <QWidget>
#include <optional>

class QLabel;

namespace hub {

// A row under a form's fields: a symbol and a wrapped line of plain text in the
// callout font, both in one colour, at the leading edge. It is an error or a result,
// said by the screen reader whenever it appears or its text changes.
class FormMessage : public QWidget {
    Q_OBJECT

public:
    FormMessage(const QString& symbol, const QColor& color, QWidget* parent = nullptr);

    // Shows `text`, or hides the row without one.
    void present(const std::optional<QString>& text);
    QString text() const;

private:
    QLabel* text_;
};

} // namespace hub
