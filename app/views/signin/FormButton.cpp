#include "app/views/signin/FormButton.h"

#include "app/views/kit/Spinner.h"
#include "app/views/kit/TextButtons.h"

#include <QKeyEvent>
#include <algorithm>

namespace hub {

namespace {

constexpr int spinnerSide = 14;

void setLook(FormButton* button, FormButton::Look look)
{
    switch (look) {
    case FormButton::Look::prominent: TextButtons::asProminent(button, TextButtons::Size::small); return;
    case FormButton::Look::regular: TextButtons::asRegular(button, false, true); return;
    case FormButton::Look::link: TextButtons::asLink(button); return;
    }
}

} // namespace

FormButton::FormButton(const QString& title, Look look, TextStyle font, QWidget* parent)
    : QPushButton(title, parent), title_(title), spinner_(new Spinner(spinnerSide, this))
{
    setAutoDefault(false);
    setDefault(false);
    setFont(Typography::font(font));
    setLook(this, look);
    spinner_->setAttribute(Qt::WA_TransparentForMouseEvents);
    spinner_->hide();
    if (look != Look::link)
        setLarge(false);
}

void FormButton::setLarge(bool large)
{
    setMinimumHeight(large ? 32 : 24);
}

void FormButton::setTitle(const QString& title)
{
    title_ = title;
    setText(busy_ && place_ == SpinnerPlace::instead ? QString() : title_);
}

bool FormButton::pressOnReturn(QKeyEvent* event, QPushButton* button)
{
    if ((event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) || (event->modifiers() & ~Qt::KeypadModifier))
        return false;
    if (button->isEnabled())
        button->click();
    return true;
}

void FormButton::setBusy(bool busy)
{
    // A spinner in place of the title keeps the button as wide as the title made it.
    if (busy && !busy_ && place_ == SpinnerPlace::instead)
        setMinimumWidth(std::max(minimumWidth(), sizeHint().width()));
    busy_ = busy;
    spinner_->setVisible(busy);
    setTitle(title_);
    placeSpinner();
}

void FormButton::resizeEvent(QResizeEvent* event)
{
    QPushButton::resizeEvent(event);
    placeSpinner();
}

void FormButton::placeSpinner()
{
    const int y = (height() - spinnerSide) / 2;
    const int x = place_ == SpinnerPlace::instead ? (width() - spinnerSide) / 2 : width() - spinnerSide - 10;
    spinner_->setGeometry(x, y, spinnerSide, spinnerSide);
}

} // namespace hub
