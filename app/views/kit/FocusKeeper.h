#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace hub {

// Keeps a window's keyboard focus in its place when the control holding it goes away,
// is hidden or disabled: on what takes its place in the same slot, else on the next stop
// of its row, else of the next row of the same list, else of the row before; never on
// nothing and never on a place that shows no ring. A slot left without a stop hands the
// focus on to the next stop, and takes it back for what it shows next if the user has not
// moved on. One per window; the places are marked on the widgets, and the Tab stops of a
// list follow its rows (a row's in the order they stand in it).
class FocusKeeper : public QObject {
    Q_OBJECT

public:
    enum class Place { slot, row, list };

    // Keeps the focus of `window`, for its life.
    explicit FocusKeeper(QWidget* window);

    static void mark(QWidget* widget, Place place);
    // `widget` is on its way out, perhaps still shown for a while: the focus it holds moves
    // on now, and it leaves the Tab order.
    static void release(QWidget* widget);
    // The Tab stops in `root`, itself included, in the order they stand in it; nothing
    // inside `skip` is read (it may be in its destructor).
    static QList<QWidget*> tabStops(const QWidget* root, const QWidget* skip = nullptr);
    // Puts the Tab stops of a list's rows one after another in the rows' order, after the
    // last stop in front of the list.
    static void arrange(QWidget* list, const QList<QWidget*>& rows);
    // Puts the Tab stops of `place` after `before` (the stop in front of where it stands).
    static void arrange(QWidget* before, QWidget* place);
    // The last Tab stop in front of `place` in its window's Tab order, outside it.
    static QWidget* stopBefore(const QWidget* place);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool mine(const QWidget* widget) const;
    void leaving(QWidget* focus, QWidget* gone, bool dying);
    void focusChanged(QWidget* old, QWidget* now);
    QWidget* onward(QWidget* from, const QWidget* gone, QWidget* row, QWidget* list) const;
    QWidget* nearby(const QWidget* gone, QWidget* row, QWidget* list) const;
    void give(QWidget* stop);
    void hold(QWidget* slot, int index);
    void fill();

    QWidget* window_;
    QPointer<QWidget> held_;
    QPointer<QWidget> standIn_;
    int heldIndex_ = 0;
    bool filling_ = false;
};

} // namespace hub
