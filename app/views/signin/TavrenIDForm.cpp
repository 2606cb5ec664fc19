#include "app/views/signin/TavrenIDForm.h"

#include "app/model/AppModel.h"
#include "app/views/kit/Divider.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/SymbolName.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/TabOrder.h"
#include "app/views/kit/Theme.h"
#include "app/views/signin/FormButton.h"
#include "app/views/signin/FormField.h"
#include "app/views/signin/FormMessage.h"
#include "app/views/signin/FormText.h"
#include "kit/support/CancellationError.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QVBoxLayout>

namespace hub {

namespace {

QWidget* rule(QWidget* parent) { return Divider::make(parent, 0, QColor(74, 74, 82)); }

} // namespace

QPixmap TavrenIDForm::providerMark(TavrenIDProvider provider, int size)
{
    constexpr double ratio = 2.0;
    switch (provider) {
    case TavrenIDProvider::apple: return Symbols::pixmap("apple.logo"_symbol, size, Theme::primary(), ratio);
    case TavrenIDProvider::github:
        return Symbols::pixmap("chevron.left.forwardslash.chevron.right"_symbol, size, Theme::primary(), ratio);
    case TavrenIDProvider::google: break;
    }
    QPixmap mark(int(size * ratio), int(size * ratio));
    mark.setDevicePixelRatio(ratio);
    mark.fill(Qt::transparent);
    QPainter painter(&mark);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(Typography::font(TextStyle::headline, QFont::Bold));
    painter.setPen(QColor::fromRgbF(0.26f, 0.52f, 0.96f));
    painter.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, QStringLiteral("G"));
    return mark;
}

TavrenIDForm::TavrenIDForm(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), waitingRow_(new QWidget(this)),
      email_(new FormField(QStringLiteral("Email"), this)),
      request_(new FormButton(QStringLiteral("Email me a code"), FormButton::Look::prominent, TextStyle::body, this)),
      codeEntry_(new QWidget(this)), code_(new FormField(QStringLiteral("Six-digit code"), codeEntry_)),
      signIn_(new FormButton(QStringLiteral("Sign In"), FormButton::Look::prominent, TextStyle::body, codeEntry_)),
      errorRow_(new FormMessage("exclamationmark.triangle.fill"_symbol, Theme::systemOrange(), this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);

    for (const TavrenIDProvider provider : allTavrenIDProviders()) {
        auto* button = new FormButton(QStringLiteral("Continue with ") + title(provider), FormButton::Look::regular, TextStyle::body, this);
        button->setObjectName(toString(provider));
        button->setLarge(true);
        button->setIcon(QIcon(providerMark(provider, 16)));
        button->setIconSize(QSize(16, 16));
        connect(button, &QPushButton::clicked, this, [this, provider] { signInWith(provider); });
        providers_.append(button);
        column->addWidget(button);
    }

    auto* waiting = new QHBoxLayout(waitingRow_);
    waiting->setContentsMargins(0, 0, 0, 0);
    waiting->addWidget(Labels::secondary(Labels::plain(QStringLiteral("Finish signing in in your browser."), TextStyle::caption, waitingRow_)));
    waiting->addStretch(1);
    auto* stop = new FormButton(QStringLiteral("Stop waiting"), FormButton::Look::link, TextStyle::caption, waitingRow_);
    stop->setObjectName(QStringLiteral("stopWaiting"));
    connect(stop, &QPushButton::clicked, this, &TavrenIDForm::stopWaiting);
    waiting->addWidget(stop);
    waitingRow_->setObjectName(QStringLiteral("waiting"));
    column->addWidget(waitingRow_);

    auto* divider = new QHBoxLayout;
    divider->setContentsMargins(0, 6, 0, 6);
    divider->addWidget(rule(this), 1);
    QLabel* or_ = Labels::secondary(Labels::plain(QStringLiteral("or with an emailed code"), TextStyle::caption, this));
    or_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    divider->addWidget(or_);
    divider->addWidget(rule(this), 1);
    column->addLayout(divider);

    email_->setObjectName(QStringLiteral("email"));
    column->addWidget(email_);
    request_->setObjectName(QStringLiteral("request"));
    request_->setLarge(true);
    column->addWidget(request_);

    auto* entry = new QVBoxLayout(codeEntry_);
    entry->setContentsMargins(0, 0, 0, 0);
    entry->setSpacing(10);
    code_->setObjectName(QStringLiteral("code"));
    code_->setFont(Typography::monospacedDigits(Typography::font(TextStyle::title3)));
    code_->setMinimumHeight(32);
    entry->addWidget(code_);
    auto* codeActions = new QHBoxLayout;
    auto* different = new FormButton(QStringLiteral("Use a different email"), FormButton::Look::link, TextStyle::caption, codeEntry_);
    different->setObjectName(QStringLiteral("differentEmail"));
    connect(different, &QPushButton::clicked, this, &TavrenIDForm::useDifferentEmail);
    codeActions->addWidget(different);
    codeActions->addStretch(1);
    signIn_->setObjectName(QStringLiteral("signIn"));
    signIn_->setSpinnerPlace(FormButton::SpinnerPlace::instead);
    codeActions->addWidget(signIn_);
    entry->addLayout(codeActions);
    column->addWidget(codeEntry_);

    errorRow_->setObjectName(QStringLiteral("error"));
    column->addWidget(errorRow_);

    connect(email_, &QLineEdit::textChanged, this, &TavrenIDForm::refresh);
    connect(code_, &QLineEdit::textChanged, this, &TavrenIDForm::refresh);
    connect(request_, &QPushButton::clicked, this, [this] { request(); });
    connect(signIn_, &QPushButton::clicked, this, [this] { complete(); });
    // Tab follows the screen: the providers and Stop waiting stand above the email.
    QList<QWidget*> order(providers_.cbegin(), providers_.cend());
    order << stop << email_ << request_ << code_ << different << signIn_;
    TabOrder::chain(order);
    refresh();
}

TavrenIDForm::~TavrenIDForm()
{
    browserStop_.request_stop();
}

TavrenIDPresenter::Input TavrenIDForm::input() const
{
    return {email_->text(), code_->text(), codeSent_, busy_, error_};
}

void TavrenIDForm::refresh()
{
    const TavrenIDPresenter::Screen screen = TavrenIDPresenter::screen(input());
    for (qsizetype i = 0; i < providers_.size() && i < screen.providers.size(); ++i) {
        providers_[i]->setBusy(screen.providers[i].spinner);
        providers_[i]->setEnabled(screen.providers[i].enabled);
    }
    waitingRow_->setVisible(screen.waiting);
    email_->setEnabled(screen.emailEnabled);
    request_->setVisible(screen.requestShown);
    request_->setEnabled(screen.requestEnabled);
    request_->setBusy(screen.requestSpinner);
    codeEntry_->setVisible(!screen.requestShown);
    signIn_->setEnabled(screen.signInEnabled);
    signIn_->setBusy(screen.signInSpinner);
    // Return anywhere in the sheet presses the button of the step on view.
    FormButton* step = defaultButton();
    (step == request_ ? signIn_ : request_)->setDefault(false);
    step->setDefault(true);
    errorRow_->present(screen.error);
}

void TavrenIDForm::signInWith(TavrenIDProvider provider)
{
    // One browser sign-in at a time: the earlier one stops waiting and its end is ignored.
    browserStop_.request_stop();
    browserStop_ = std::stop_source();
    const int attempt = ++attempt_;
    error_.reset();
    busy_ = toString(provider);
    refresh();
    runBrowserSignIn(provider, attempt, browserStop_.get_token());
}

QCoro::Task<> TavrenIDForm::runBrowserSignIn(TavrenIDProvider provider, int attempt, std::stop_token stop)
{
    QPointer<TavrenIDForm> self(this);
    std::optional<QString> failure;
    try {
        QCoro::Task<> signIn = model_.signIn().signInWithProvider(provider, std::move(stop));
        co_await signIn;
    } catch (const CancellationError&) {
        // Stopped on purpose: nothing to say.
    } catch (const std::exception& error) {
        failure = QString::fromUtf8(error.what());
    }
    if (!self || self->attempt_ != attempt)
        co_return;
    error_ = failure;
    busy_.reset();
    refresh();
}

void TavrenIDForm::stopWaiting()
{
    browserStop_.request_stop();
    ++attempt_;
    busy_.reset();
    refresh();
}

FormButton* TavrenIDForm::defaultButton() const
{
    return codeSent_ ? signIn_ : request_;
}

void TavrenIDForm::keyPressEvent(QKeyEvent* event)
{
    // Return in a field or on a button of the form; the sheet's other controls reach
    // the default button through the dialog.
    if (!FormButton::pressOnReturn(event, defaultButton()))
        QWidget::keyPressEvent(event);
}

void TavrenIDForm::useDifferentEmail()
{
    codeSent_ = false;
    code_->clear();
    refresh();
}

QCoro::Task<> TavrenIDForm::request()
{
    QPointer<TavrenIDForm> self(this);
    AppModel& model = model_;
    error_.reset();
    busy_ = TavrenIDPresenter::requesting;
    const QString email = FormText::trimmed(email_->text());
    refresh();
    std::optional<QString> failure;
    try {
        QCoro::Task<> send = model.signIn().requestCode(email);
        co_await send;
    } catch (const std::exception& error) {
        failure = QString::fromUtf8(error.what());
    }
    if (!self)
        co_return;
    error_ = failure;
    codeSent_ = !failure;
    busy_.reset();
    refresh();
    // The code is typed next.
    if (codeSent_)
        code_->setFocus(Qt::OtherFocusReason);
}

QCoro::Task<> TavrenIDForm::complete()
{
    QPointer<TavrenIDForm> self(this);
    AppModel& model = model_;
    error_.reset();
    busy_ = TavrenIDPresenter::checking;
    const QString email = FormText::trimmed(email_->text());
    const QString code = code_->text();
    refresh();
    bool failed = false;
    try {
        QCoro::Task<> check = model.signIn().signInWithCode(email, code);
        co_await check;
    } catch (const std::exception&) {
        // Whatever went wrong, the form says the same.
        failed = true;
    }
    if (!self)
        co_return;
    if (failed)
        error_ = TavrenIDPresenter::codeFailure;
    busy_.reset();
    refresh();
}

} // namespace hub
