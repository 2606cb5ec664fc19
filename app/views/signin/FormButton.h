#pragma once

#include "app/views/kit/Typography.h"

#include <QPushButton>

class QKeyEvent;

namespace hub {

class Spinner;

// A button of the sign-in forms, in one of three looks, that can show a small
// spinner beside its title or in its place. Return presses it only when a form
// makes it the default button.
class FormButton : public QPushButton {
    Q_OBJECT

public:
    enum class Look { prominent, regular, link };
    enum class SpinnerPlace { beside, instead };

    FormButton(const QString& title, Look look, TextStyle font, QWidget* parent = nullptr);

    void setLarge(bool large);
    void setSpinnerPlace(SpinnerPlace place) { place_ = place; }
    void setBusy(bool busy);
    bool busy() const { return busy_; }
    const QString& title() const { return title_; }
    void setTitle(const QString& title);
    // Return or Enter without modifiers presses `button` when it is enabled; false
    // for any other key.
    static bool pressOnReturn(QKeyEvent* event, QPushButton* button);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeSpinner();

    QString title_;
    Spinner* spinner_;
    SpinnerPlace place_ = SpinnerPlace::beside;
    bool busy_ = false;
};

} // namespace hub
