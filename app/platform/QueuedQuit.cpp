#include "app/platform/QueuedQuit.h"

#include <QCoreApplication>

namespace hub {

void queuedQuit()
{
    if (QCoreApplication* application = QCoreApplication::instance())
        QMetaObject::invokeMethod(application, &QCoreApplication::quit, Qt::QueuedConnection);
}

} // namespace hub
