#pragma once

#include <QColor>
#include <QMargins>

class QStyleOption;
class QWidget;

namespace hub {

// What a push button looks like in the state `option` gives.
struct ButtonLook {
    QColor fill;
    QColor text;
    int radius = 6;
    QMargins padding{14, 5, 14, 5};
    bool leading = false;
    bool bold = false;
    bool underline = false;
    bool accented = false; // filled with the accent colour

    // The plain button's states come first, then a variant's own look, then a variant in a
    // state: the later wins.
    static ButtonLook of(const QStyleOption* option, const QWidget* widget);
};

} // namespace hub
