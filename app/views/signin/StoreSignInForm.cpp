#include "app/views/signin/StoreSignInForm.h"

#include "app/model/AppModel.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/SymbolName.h"
#include "app/views/kit/Theme.h"
#include "app/views/signin/FormButton.h"
#include "app/views/signin/FormField.h"
#include "app/views/signin/FormMessage.h"
#include "kit/deployment/Deployment.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPointer>
#include <QVBoxLayout>

namespace hub {

StoreSignInForm::StoreSignInForm(AppModel& model, std::optional<QString> prefill, QWidget* parent)
    : QWidget(parent), model_(model), prefill_(std::move(prefill)),
      name_(new FormField(QStringLiteral("Your name"), this)),
      email_(new FormField(QStringLiteral("Store email"), this)),
      password_(new FormField(QStringLiteral("Password"), this)),
      errorRow_(new FormMessage("exclamationmark.triangle.fill"_symbol, Theme::systemOrange(), this)),
      resetRow_(new FormMessage("envelope"_symbol, Theme::secondary(), this)),
      newsletter_(new QCheckBox(QStringLiteral("Email me about product updates and offers"), this)),
      consent_(new QWidget(this)),
      forgot_(new FormButton(QStringLiteral("Forgot password"), FormButton::Look::link, TextStyle::callout, this)),
      switch_(new FormButton(QString(), FormButton::Look::link, TextStyle::callout, this)),
      primary_(new FormButton(QString(), FormButton::Look::prominent, TextStyle::body, this))
{
    name_->setObjectName(QStringLiteral("name"));
    email_->setObjectName(QStringLiteral("email"));
    password_->setObjectName(QStringLiteral("password"));
    password_->setEchoMode(QLineEdit::Password);
    errorRow_->setObjectName(QStringLiteral("error"));
    resetRow_->setObjectName(QStringLiteral("resetNote"));
    newsletter_->setObjectName(QStringLiteral("newsletter"));
    newsletter_->setFont(Typography::font(TextStyle::callout));
    Theme::setRole(newsletter_, "field");
    forgot_->setObjectName(QStringLiteral("forgot"));
    switch_->setObjectName(QStringLiteral("switch"));
    primary_->setObjectName(QStringLiteral("primary"));
    primary_->setLarge(true);
    primary_->setSpinnerPlace(FormButton::SpinnerPlace::instead);
    // Return anywhere in the sheet presses it.
    primary_->setDefault(true);

    // "Creating an account accepts the store's terms and privacy policy."
    auto* consent = new QHBoxLayout(consent_);
    consent->setContentsMargins(0, 0, 0, 0);
    consent->setSpacing(0);
    const auto text = [this](const QString& words) {
        return Labels::secondary(Labels::plain(words, TextStyle::caption, consent_));
    };
    const auto link = [this](const QString& title, const QString& path) {
        auto* button = new FormButton(title, FormButton::Look::link, TextStyle::caption, consent_);
        connect(button, &QPushButton::clicked, this, [this, path] { openPage(path); });
        return button;
    };
    consent->addWidget(text(QStringLiteral("Creating an account accepts the store's ")));
    consent->addWidget(link(QStringLiteral("terms"), QStringLiteral("/terms-of-use")));
    consent->addWidget(text(QStringLiteral(" and ")));
    consent->addWidget(link(QStringLiteral("privacy policy"), QStringLiteral("/privacy-policy")));
    consent->addWidget(text(QStringLiteral(".")));
    consent->addStretch(1);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    column->addWidget(name_);
    column->addWidget(email_);
    column->addWidget(password_);
    column->addWidget(errorRow_);
    column->addWidget(resetRow_);
    column->addWidget(newsletter_);
    column->addWidget(consent_);
    auto* actions = new QHBoxLayout;
    actions->setSpacing(12);
    actions->addWidget(forgot_);
    actions->addWidget(switch_);
    actions->addStretch(1);
    actions->addWidget(primary_);
    column->addLayout(actions);

    for (FormField* field : {name_, email_, password_})
        connect(field, &QLineEdit::textChanged, this, &StoreSignInForm::refresh);
    connect(primary_, &QPushButton::clicked, this, [this] { submit(); });
    connect(forgot_, &QPushButton::clicked, this, [this] { forgot(); });
    connect(switch_, &QPushButton::clicked, this, [this] { setCreating(!creating_); });
    refresh();
}

StoreSignInPresenter::Input StoreSignInForm::input() const
{
    StoreSignInPresenter::Input input;
    input.email = email_->text();
    input.password = password_->text();
    input.name = name_->text();
    input.newsletter = newsletter_->isChecked();
    input.busy = busy_;
    input.creating = creating_;
    input.resetSent = resetSent_;
    input.error = error_;
    return input;
}

void StoreSignInForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    const QString shown = StoreSignInPresenter::shownEmail(email_->text(), prefill_);
    if (shown != email_->text())
        email_->setText(shown);
}

void StoreSignInForm::refresh()
{
    const StoreSignInPresenter::Screen screen = StoreSignInPresenter::screen(input());
    name_->setVisible(screen.nameField);
    password_->setTitle(screen.passwordPlaceholder);
    errorRow_->present(screen.error);
    resetRow_->present(screen.resetNote ? std::optional<QString>(StoreSignInPresenter::resetNote) : std::nullopt);
    newsletter_->setVisible(screen.consent);
    consent_->setVisible(screen.consent);
    forgot_->setVisible(screen.forgotShown);
    forgot_->setEnabled(screen.forgotEnabled);
    switch_->setTitle(screen.switchTitle);
    primary_->setTitle(screen.primaryTitle);
    primary_->setBusy(screen.primarySpinner);
    primary_->setEnabled(screen.primaryEnabled);
}

void StoreSignInForm::keyPressEvent(QKeyEvent* event)
{
    // Return in a field or on a button of the form; the sheet's other controls reach
    // the primary button through the dialog, as its default button.
    if (!FormButton::pressOnReturn(event, primary_))
        QWidget::keyPressEvent(event);
}

void StoreSignInForm::setCreating(bool creating)
{
    creating_ = creating;
    error_.reset();
    refresh();
}

void StoreSignInForm::openPage(const QString& path)
{
    if (model_.services().openURL)
        model_.services().openURL(QUrl(QStringLiteral("https://") + Deployment::current().apiHost + path));
}

QCoro::Task<> StoreSignInForm::submit()
{
    QPointer<StoreSignInForm> self(this);
    AppModel& model = model_;
    busy_ = true;
    error_.reset();
    const StoreSignInPresenter::Submission sent = StoreSignInPresenter::submission(input());
    refresh();
    std::optional<QString> failure;
    try {
        if (sent.creating) {
            QCoro::Task<> create = model.signIn().createStoreAccount(sent.name, sent.email, sent.password, sent.newsletter);
            co_await create;
        } else {
            QCoro::Task<> signIn = model.signIn().signInToStore(sent.email, sent.password);
            co_await signIn;
        }
    } catch (const std::exception& error) {
        failure = QString::fromUtf8(error.what());
    }
    if (!self)
        co_return;
    password_->clear();
    error_ = failure;
    busy_ = false;
    refresh();
}

QCoro::Task<> StoreSignInForm::forgot()
{
    QPointer<StoreSignInForm> self(this);
    AppModel& model = model_;
    busy_ = true;
    const QString email = StoreSignInPresenter::submission(input()).email;
    refresh();
    std::optional<QString> failure;
    try {
        QCoro::Task<> request = model.signIn().forgotPassword(email);
        co_await request;
    } catch (const std::exception& error) {
        failure = QString::fromUtf8(error.what());
    }
    if (!self)
        co_return;
    // A request that did not go through says so; the note would promise a link.
    if (failure)
        error_ = failure;
    else
        resetSent_ = true;
    busy_ = false;
    refresh();
}

} // namespace hub
