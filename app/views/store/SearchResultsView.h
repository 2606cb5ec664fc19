#pragma once

#include <QWidget>

namespace hub {

class AppModel;
class Rebuilder;
class StorePage;

// What the detail pane shows while the search field holds text: the matching store
// products and extras items, each as a shelf, following every keystroke and reload.
class SearchResultsView : public QWidget {
    Q_OBJECT

public:
    explicit SearchResultsView(AppModel& model, QWidget* parent = nullptr);

    StorePage* page() const { return page_; }

private:
    void rebuild();

    AppModel& model_;
    StorePage* page_;
    Rebuilder* rebuild_;
};

} // namespace hub
