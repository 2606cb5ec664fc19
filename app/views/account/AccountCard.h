#pragma once

#include <QWidget>

class QVBoxLayout;

namespace hub {

// The frame both account cards share: a header with the symbol, the title and the
// connection status, then the caller's rows, 8 pixels apart, on a faint rounded panel.
class AccountCard : public QWidget {
    Q_OBJECT

public:
    AccountCard(const QString& title, const QString& symbol, bool connected, QWidget* parent = nullptr);

    // Appends one row under the header.
    void addRow(QWidget* row);
    void addRow(QLayout* row);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* column_;
};

} // namespace hub
