#pragma once

#include <QPushButton>

namespace hub {

// The app's text buttons in their three looks: filled with the accent colour (the one
// call to action of a card or page), the regular bordered one, and a link.
namespace TextButtons {

QPushButton* prominent(const QString& title, QWidget* parent = nullptr);
QPushButton* regular(const QString& title, QWidget* parent = nullptr);
QPushButton* link(const QString& title, QWidget* parent = nullptr);

} // namespace TextButtons

} // namespace hub
