#pragma once

#include <QDialog>
#include <QJsonObject>

namespace hub {

// The About panel: the hub's icon and name over its beta version text, the beta credits
// in small secondary text, and a Close button.
class AboutPanel : public QDialog {
    Q_OBJECT
public:
    AboutPanel(const QJsonObject& info, QWidget* parent);

    // Opens the panel of `window` (making it once) and brings it and the app to the front.
    static AboutPanel* present(QWidget* window, const QJsonObject& info);
};

} // namespace hub
