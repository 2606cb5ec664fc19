#pragma once

#include <QLineEdit>

namespace hub {

// The window's search field: plain text, a search symbol, a clear button. Escape
// clears it, as an edit by the user.
class SearchField : public QLineEdit {
    Q_OBJECT

public:
    explicit SearchField(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace hub
