#pragma once

#include "app/views/signin/TavrenIDPresenter.h"

#include <QCoroTask>
#include <QPixmap>
#include <QWidget>
#include <stop_token>

namespace hub {

class AppModel;
class FormButton;
class FormField;
class FormMessage;

// The Tavren ID form of the sign-in sheet: a browser sign-in through a provider,
// which the form starts and can stop, or a code sent by email, which the form
// requests and checks. The model closes the sheet on success.
class TavrenIDForm : public QWidget {
    Q_OBJECT

public:
    explicit TavrenIDForm(AppModel& model, QWidget* parent = nullptr);
    // A browser sign-in still waiting is stopped.
    ~TavrenIDForm() override;

    TavrenIDPresenter::Input input() const;
    // Starts a browser sign-in; one still waiting is stopped first.
    void signInWith(TavrenIDProvider provider);
    // The provider's mark, `size` pixels high.
    static QPixmap providerMark(TavrenIDProvider provider, int size);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refresh();
    void stopWaiting();
    // "Email me a code" before a code is sent, "Sign In" after.
    FormButton* defaultButton() const;
    void useDifferentEmail();
    QCoro::Task<> runBrowserSignIn(TavrenIDProvider provider, int attempt, std::stop_token stop);
    QCoro::Task<> request();
    QCoro::Task<> complete();

    AppModel& model_;
    bool codeSent_ = false;
    std::optional<QString> busy_;
    std::optional<QString> error_;
    std::stop_source browserStop_;
    int attempt_ = 0; // the browser sign-in whose end may still change the form

    QList<FormButton*> providers_;
    QWidget* waitingRow_;
    FormField* email_;
    FormButton* request_;
    QWidget* codeEntry_;
    FormField* code_;
    FormButton* signIn_;
    FormMessage* errorRow_;
};

} // namespace hub
