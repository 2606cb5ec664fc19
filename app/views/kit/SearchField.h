#pragma once

#include <QLineEdit>

namespace hub {

// The window's search field: plain text, a search symbol, a clear button.
class SearchField : public QLineEdit {
    Q_OBJECT

public:
    explicit SearchField(QWidget* parent = nullptr);
};

} // namespace hub
