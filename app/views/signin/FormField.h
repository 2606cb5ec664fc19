#pragma once

#include <QLineEdit>

namespace hub {

// A single-line field of the sign-in forms: rounded border, placeholder, body font.
class FormField : public QLineEdit {
    Q_OBJECT

public:
    explicit FormField(const QString& placeholder, QWidget* parent = nullptr);
};

} // namespace hub
