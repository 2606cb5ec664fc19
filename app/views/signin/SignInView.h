#pragma once

#include "app/views/signin/SignInSheetPresenter.h"

#include <QWidget>

class QButtonGroup;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace hub {

class AppModel;
class Rebuilder;

// The sign-in sheet: the mark, a title and subtitle for its purpose, the account
// picker of a plain sign-in, the chosen form, and the keychain note with Cancel.
// A form is built afresh whenever the other one was shown.
class SignInView : public QWidget {
    Q_OBJECT

public:
    static constexpr int sheetWidth = 480;

    explicit SignInView(AppModel& model, QWidget* parent = nullptr);

    SignInSheetPresenter::Mode mode() const { return mode_; }
    void setMode(SignInSheetPresenter::Mode mode);
    // The form on view: a TavrenIDForm or a StoreSignInForm.
    QWidget* form() const { return form_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void rebuild();
    void cancel();

    AppModel& model_;
    SignInSheetPresenter::Mode mode_ = SignInSheetPresenter::Mode::tavrenID;
    std::optional<SignInSheetPresenter::Form> shown_;
    QLabel* title_;
    QLabel* subtitle_;
    QWidget* picker_;
    QButtonGroup* modes_;
    QPushButton* cancel_ = nullptr;
    QVBoxLayout* formArea_;
    QWidget* form_ = nullptr;
    Rebuilder* rebuilder_;
};

} // namespace hub
