#pragma once

#include <QPointer>
#include <QWidget>

namespace hub {

// The place of a control that is made anew when what it shows changes (an action
// button's pill, a download's buttons). What takes the place takes the old control's
// place in the Tab order; the window's FocusKeeper hands it the focus the old one had.
class ControlSlot : public QWidget {
    Q_OBJECT

public:
    explicit ControlSlot(QWidget* parent = nullptr);

    // The shown control, or none.
    QWidget* content() const { return content_; }
    // Shows `next` (none when null) instead of the content, which is deleted.
    void replace(QWidget* next);

    // Takes what `root` holds out of the Tab order, and what the slots in it show from
    // now on (a keyboard grid's cell, which takes the focus itself).
    static void leaveTabOrder(QWidget* root);

private:
    QWidget* content_ = nullptr;
    QPointer<QWidget> before_; // the Tab stop in front of the content's
    bool tabStops_ = true;
};

} // namespace hub
