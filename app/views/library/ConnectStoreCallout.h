#pragma once

#include <QWidget>

namespace hub {

class AppModel;

// Above the Library list while no store account is connected: why to connect one,
// and the button that opens the sign-in sheet to connect it.
class ConnectStoreCallout : public QWidget {
    Q_OBJECT

public:
    explicit ConnectStoreCallout(AppModel& model, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace hub
