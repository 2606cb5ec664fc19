#include "app/model/LaunchArguments.h"

#include "app/model/DeepLink.h"

#include <QDir>

namespace hub {

std::optional<QString> LaunchArguments::value(const QString& option) const
{
    const qsizetype at = arguments_.indexOf(option);
    if (at < 0 || at + 1 >= arguments_.size())
        return std::nullopt;
    return arguments_.at(at + 1);
}

bool LaunchArguments::memoryOnly() const
{
    return has(QStringLiteral("--snapshot")) || has(QStringLiteral("--measure-launch"));
}

std::optional<QString> LaunchArguments::fixtureDirectory() const
{
    if (!has(QStringLiteral("--snapshot")))
        return std::nullopt;
    const std::optional<QString> folder = value(QStringLiteral("--fixtures"));
    if (!folder)
        return std::nullopt;
    return QDir::cleanPath(QDir::current().absoluteFilePath(*folder));
}

std::optional<QString> LaunchArguments::link() const
{
    for (const QString& argument : arguments_) {
        if (DeepLink::parse(argument))
            return argument;
    }
    return std::nullopt;
}

} // namespace hub
