#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace hub {

// Keeps a window's keyboard focus in its place when the control holding it goes away,
// is hidden or disabled: on what takes its place in the same slot, else on the slot or
// row itself, else on the next row of the same list, else on the list; never on another
// row's control, never on nothing. A slot holding the focus hands it to the control it
// shows next. One per window; the places are marked on the widgets.
class FocusKeeper : public QObject {
    Q_OBJECT

public:
    enum class Place { slot, row, list };

    // Keeps the focus of `window`, for its life.
    explicit FocusKeeper(QWidget* window);

    static void mark(QWidget* widget, Place place);
    // `widget` is on its way out, still shown for a while: the focus it holds moves on now,
    // and it takes the focus no more.
    static void release(QWidget* widget);
    // The Tab stops in `root`, itself included, in its window's Tab order.
    static QList<QWidget*> tabStops(const QWidget* root);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool mine(const QWidget* widget) const;
    void leaving(QWidget* focus, QWidget* gone);
    void focusChanged(QWidget* old, QWidget* now);
    QWidget* nextRow(QWidget* list, QWidget* row, const QWidget* gone) const;
    void hold(QWidget* place, int index);
    void fill();

    QWidget* window_;
    QPointer<QWidget> held_;
    int heldIndex_ = 0;
    bool filling_ = false;
};

} // namespace hub
