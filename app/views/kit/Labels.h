#pragma once

#include "app/views/kit/Typography.h"

#include <QLabel>

namespace hub {

// Every label of the app is made here: plain text only (service text is never
// read as markup), in one of the text styles.
namespace Labels {

QLabel* plain(const QString& text, TextStyle style, QWidget* parent = nullptr,
    std::optional<QFont::Weight> weight = std::nullopt);
// The label in the secondary text colour.
QLabel* secondary(QLabel* label);
// The label's font with digits of one width (Typography::monospacedDigits).
QLabel* monospacedDigits(QLabel* label);
void setColor(QLabel* label, const QColor& color);
// A tooltip that shows `text` as it is, markup included; `text` is the widget's
// accessible description too (empty: neither).
void setToolTip(QWidget* widget, const QString& text);

} // namespace Labels

} // namespace hub
