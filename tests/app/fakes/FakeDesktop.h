#pragma once

#include "app/model/Services.h"

#include <QList>
#include <QUrl>
#include <utility>

namespace hub {

// The desktop as the model sees it, recorded: opened URLs, the frontmost flag,
// the Dock badge, notifications, activations, revealed files and opened applications.
class FakeDesktop {
public:
    // Fills the desktop functions of `services` with this recorder.
    void attach(Services& services);

    bool frontmost = true;
    QList<QUrl> opened;
    QList<int> badges;
    QList<std::pair<QString, QString>> notifications; // title, body
    QStringList notificationLinks;                    // what a click on each opens
    int activations = 0;
    QList<QStringList> revealed;
    bool reveals = true; // whether anything could show revealed files
    QStringList started; // application bundles opened
    bool opens = true;   // whether an application bundle starts
};

} // namespace hub
