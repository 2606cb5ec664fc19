#pragma once

#include <QLineEdit>

namespace hub {

// A single-line field of the sign-in forms: rounded border, placeholder, body font.
// The placeholder is its title, and so its accessible name.
class FormField : public QLineEdit {
    Q_OBJECT

public:
    explicit FormField(const QString& title, QWidget* parent = nullptr);

    void setTitle(const QString& title);
};

} // namespace hub
