#pragma once

#include <QWidget>

namespace hub {

// The round badge of the signed-in person: the initial of `text` on the brand
// gradient, or, signed out, a grey disc with a person symbol.
class Avatar : public QWidget {
    Q_OBJECT

public:
    Avatar(const QString& text, int size, bool signedIn, QWidget* parent = nullptr);

    void set(const QString& text, bool signedIn);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    bool signedIn_;
};

} // namespace hub
