#pragma once

#include "app/model/HubSection.h"

#include <QWidget>

class QLineEdit;
class QListWidget;

namespace hub {

class AppModel;
class Rebuilder;

// The sidebar: the wordmark and beta badge, the search field, the list of sections
// bound to the model's selection, and the account line at the bottom.
class SidebarView : public QWidget {
    Q_OBJECT
public:
    explicit SidebarView(AppModel& model, QWidget* parent = nullptr);

    QLineEdit* searchField() const { return search_; }
    QListWidget* list() const { return list_; }

private:
    void rebuild();
    void chosen();
    void submitSearch();

    AppModel& model_;
    QLineEdit* search_;
    QListWidget* list_;
    Rebuilder* rebuild_;
    QStringList rowKeys_;
    bool rebuilding_ = false;
};

} // namespace hub
