#pragma once

#include "app/views/signin/StoreSignInPresenter.h"

#include <QCoroTask>
#include <QWidget>
#include <optional>

class QCheckBox;

namespace hub {

class AppModel;
class FormButton;
class FormField;
class FormMessage;

// The store account form of the sign-in sheet: sign in, create an account, or ask
// for a password reset. It keeps its fields and flags; the model does the work and
// closes the sheet on success.
class StoreSignInForm : public QWidget {
    Q_OBJECT

public:
    // `prefill` goes into an empty email field each time the form comes on screen.
    StoreSignInForm(AppModel& model, std::optional<QString> prefill, QWidget* parent = nullptr);

    StoreSignInPresenter::Input input() const;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refresh();
    void setCreating(bool creating);
    void openPage(const QString& path);
    QCoro::Task<> submit();
    QCoro::Task<> forgot();

    AppModel& model_;
    const std::optional<QString> prefill_;
    bool busy_ = false;
    bool creating_ = false;
    bool resetSent_ = false;
    std::optional<QString> error_;

    FormField* name_;
    FormField* email_;
    FormField* password_;
    FormMessage* errorRow_;
    FormMessage* resetRow_;
    QCheckBox* newsletter_;
    QWidget* consent_;
    FormButton* forgot_;
    FormButton* switch_;
    FormButton* primary_;
};

} // namespace hub
