#pragma once

#include <QWidget>

class QVBoxLayout;

namespace hub {

// One box of a grouped form: rows on a faint rounded panel, a hairline between each
// two. Its header, when it has one, stands above the box.
class FormGroup : public QWidget {
    Q_OBJECT

public:
    explicit FormGroup(const QString& header = {}, QWidget* parent = nullptr);

    void addRow(QWidget* row);
    // A label on the leading edge, tied to `trailing` on the trailing edge.
    QWidget* addRow(const QString& label, QWidget* trailing);

private:
    QWidget* box_;
    QVBoxLayout* rows_;
};

} // namespace hub
