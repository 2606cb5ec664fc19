#include "app/platform/UserDefaults.h"

#include <QDir>
#include <QStandardPaths>

namespace hub::UserDefaults {

QString path()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("com.tavren.hub/defaults.ini"));
}

std::shared_ptr<QSettings> open()
{
    return std::make_shared<QSettings>(path(), QSettings::IniFormat);
}

} // namespace hub::UserDefaults
