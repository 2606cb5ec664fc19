#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace hub {

// The process arguments as the model reads them: an option is present when some
// argument equals it exactly; its value is the argument right after its first
// occurrence, none when it is the last.
class LaunchArguments {
public:
    LaunchArguments() = default;
    explicit LaunchArguments(QStringList arguments) : arguments_(std::move(arguments)) {}

    bool has(const QString& option) const { return arguments_.contains(option); }
    std::optional<QString> value(const QString& option) const;

    // Session tokens stay in memory: a snapshot or launch-measuring run.
    bool memoryOnly() const;
    bool cold() const { return has(QStringLiteral("--cold")); }
    // The fixture folder of a snapshot run, absolute; none without "--snapshot".
    std::optional<QString> fixtureDirectory() const;
    std::optional<QString> snapshotFolder() const { return value(QStringLiteral("--snapshot")); }
    std::optional<QString> open() const { return value(QStringLiteral("--open")); }
    // The first "tavren-hub:" link among the arguments (the desktop entry passes one).
    std::optional<QString> link() const;

    const QStringList& all() const { return arguments_; }

private:
    QStringList arguments_;
};

} // namespace hub
