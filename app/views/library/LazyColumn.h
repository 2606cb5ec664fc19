#pragma once

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QWidget>
#include <functional>

class QScrollBar;

namespace hub {

// A column of equally tall rows, one per id, inside a scroll area: only the rows that
// come into view (and a screen's worth around them) are made, and a row is brought up
// to date only when it is on view. Rows are kept by id while their id stays listed.
class LazyColumn : public QWidget {
    Q_OBJECT

public:
    using Make = std::function<QWidget*(const QString& id)>;
    // Brings a row made earlier up to date with its id's latest data.
    using Refresh = std::function<void(QWidget* row, const QString& id)>;

    LazyColumn(Make make, Refresh refresh, QWidget* parent = nullptr);

    // The ids in order; every kept row is due for a refresh.
    void setIds(const QStringList& ids);
    const QStringList& ids() const { return ids_; }
    // The row of an id, made when it is listed but not yet made; nothing when not listed.
    QWidget* row(const QString& id);
    // How many rows exist (made and kept).
    qsizetype madeCount() const { return rows_.size(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void place();
    void arrange(QWidget* made, qsizetype index);
    // The index of the row holding the focus, or -1.
    qsizetype focusedRow() const;
    int rowHeight() const;

    Make make_;
    Refresh refresh_;
    QStringList ids_;
    QHash<QString, qsizetype> positions_; // of ids_
    QHash<QString, QWidget*> rows_;
    QSet<QString> stale_;
    mutable int rowHeight_ = 0;
    QPointer<QScrollBar> followed_;
};

} // namespace hub
