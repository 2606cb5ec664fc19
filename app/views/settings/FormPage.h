#pragma once

#include <QScrollArea>

class QVBoxLayout;

namespace hub {

class FormGroup;

// A grouped form on a page of its own: its groups one under the other, scrolling
// vertically when they do not fit. It takes the focus to scroll, named `title`.
class FormPage : public QScrollArea {
public:
    explicit FormPage(const QString& title, QWidget* parent = nullptr);

    // Appends a group; the page owns it.
    FormGroup* add(FormGroup* group);

private:
    QWidget* form_;
    QVBoxLayout* column_;
};

} // namespace hub
