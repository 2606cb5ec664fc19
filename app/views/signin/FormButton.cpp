#include "app/views/signin/FormButton.h"

#include "app/views/kit/Spinner.h"
#include "app/views/kit/Theme.h"

#include <algorithm>

namespace hub {

namespace {

constexpr int spinnerSide = 14;

QString rgba(const QColor& color)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(color.red()).arg(color.green()).arg(color.blue()).arg(color.alpha());
}

QString lookSheet(FormButton::Look look)
{
    QColor faded = Theme::accent();
    faded.setAlpha(110);
    switch (look) {
    case FormButton::Look::prominent:
        return QStringLiteral("QPushButton { background: %1; color: white; border: none; border-radius: 6px; padding: 4px 14px;"
                              " font-weight: 600; } QPushButton:disabled { background: %2; color: %3; }")
            .arg(Theme::accent().name(), rgba(faded), rgba(Theme::primary(0.55)));
    case FormButton::Look::regular:
        return QStringLiteral("QPushButton { background: %1; color: %2; border: none; border-radius: 6px; padding: 4px 12px;"
                              " text-align: left; } QPushButton:hover { background: %3; }"
                              " QPushButton:disabled { color: %4; background: %5; }")
            .arg(rgba(Theme::primary(0.10)), Theme::primary().name(), rgba(Theme::primary(0.16)), Theme::secondary().name(),
                rgba(Theme::primary(0.05)));
    case FormButton::Look::link:
        return QStringLiteral("QPushButton { background: transparent; color: %1; border: none; padding: 0; }"
                              " QPushButton:disabled { color: %2; }")
            .arg(Theme::accent().name(), Theme::secondary().name());
    }
    return {};
}

} // namespace

FormButton::FormButton(const QString& title, Look look, TextStyle font, QWidget* parent)
    : QPushButton(title, parent), title_(title), spinner_(new Spinner(spinnerSide, this))
{
    setAutoDefault(false);
    setDefault(false);
    setFont(Typography::font(font));
    setStyleSheet(lookSheet(look));
    setCursor(Qt::PointingHandCursor);
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
