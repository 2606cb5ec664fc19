#pragma once

#include "app/views/account/AccountCardsPresenter.h"
#include "app/views/account/AccountPresenter.h"

#include <QWidget>
#include <optional>

class QVBoxLayout;

namespace hub {

class AppModel;
class Rebuilder;

// The Account section: the header, the Tavren ID and store account cards, the signed-in
// devices, the purchase history and the security statements, on one scrolling page.
// Everything is read from the model; a change rebuilds the page on the next turn.
class AccountView : public QWidget {
    Q_OBJECT

public:
    explicit AccountView(AppModel& model, QWidget* parent = nullptr);

    // A titled part of the page: the title (title 2, bold), the subtitle when there is
    // one, then the content, 8 pixels apart.
    static QWidget* section(const QString& title, const std::optional<QString>& subtitle, QWidget* content);

    static AccountPresenter::Input input(const AppModel& model);
    static AccountCardsPresenter::Input cardsInput(const AppModel& model);

private:
    void rebuild();
    QWidget* header(const AccountPresenter::Header& header);
    QWidget* card(const AccountCardsPresenter::Card& card);
    QWidget* devices(const QList<AccountPresenter::Device>& devices);
    QWidget* purchases(const QList<AccountPresenter::Purchase>& purchases);

    AppModel& model_;
    QWidget* page_;
    QVBoxLayout* column_;
    QWidget* live_ = nullptr; // everything above the security statements
    Rebuilder* rebuilder_;
};

} // namespace hub
