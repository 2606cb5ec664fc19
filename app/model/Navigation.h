#pragma once

#include "app/model/HubSection.h"

#include <QObject>
#include <QStringList>
#include <optional>

namespace hub {

// Where the user is: the sidebar section, the detail pane's stack of product ids
// (and "extra:" ids), and the search field's text.
class Navigation : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<hub::HubSection> selection READ selection NOTIFY selectionChanged)
    Q_PROPERTY(QStringList path READ path NOTIFY pathChanged)
    Q_PROPERTY(QString search READ search NOTIFY searchChanged)

public:
    explicit Navigation(QObject* parent = nullptr);

    const std::optional<HubSection>& selection() const { return selection_; }
    const QStringList& path() const { return path_; }
    const QString& search() const { return search_; }

    // Another section (none counts as one) empties the path.
    void setSelection(std::optional<HubSection> section);
    // The user chose a section (the sidebar, a section command, a link to a section, the
    // account footer or command): the search is left; another section shows its root
    // screen, the one already selected keeps its open page.
    void choose(HubSection section);
    void setPath(const QStringList& path);
    // Typing the first character into an empty field empties the path.
    void setSearch(const QString& text);
    // Opens a product page on top of the current section; Discover first when no
    // section or the account is selected.
    void show(const QString& productId);
    // Opens a catalog-extras item's page on top of the current section.
    void showExtra(const QString& itemId);
    // Closes the top page, if any.
    void goBack();

    static inline const QString extraPrefix = QStringLiteral("extra:");

signals:
    void selectionChanged();
    void pathChanged();
    void searchChanged();

private:
    std::optional<HubSection> selection_ = HubSection::discover;
    QStringList path_;
    QString search_;
};

} // namespace hub
