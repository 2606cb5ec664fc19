#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QStackedWidget;
class QToolButton;

namespace hub {

class AppModel;
class Rebuilder;

// The detail column: a navigation stack of our own over the model's path. Its root is
// the search results or the selected section's screen; each path entry pushes the page
// it resolves to, looked up again whenever the catalog changes.
class DetailView : public QWidget {
    Q_OBJECT
public:
    explicit DetailView(AppModel& model, QWidget* parent = nullptr);

    // The key of what stands at the root ("search" or the section) and of each page.
    const QString& rootKey() const { return root_.key; }
    QStringList pageKeys() const;
    QWidget* current() const;
    // The navigation title of what is shown: the page's name, "Search", or the section's
    // title; empty while the store loads and for a page that is gone.
    const QString& navigationTitle() const { return title_; }

signals:
    void navigationTitleChanged();

private:
    struct Shown {
        QString key;
        QWidget* widget = nullptr;
    };

    void rebuild();
    QString currentTitle() const;
    QString pageKey(const QString& entry) const;
    QWidget* makePage(const QString& entry) const;
    void replace(Shown& shown, const QString& key, QWidget* widget);

    AppModel& model_;
    QToolButton* back_;
    QStackedWidget* stack_;
    Rebuilder* rebuild_;
    Shown root_;
    QList<Shown> pages_;
    QString title_;
};

} // namespace hub
