#include "kit/support/InstallError.h"

#include "kit/support/ByteCountFormatter.h"

#include <tuple>

namespace hub {

InstallError InstallError::unsafeArchive(QString reason)
{
    InstallError error(Kind::unsafeArchive);
    error.reason = std::move(reason);
    return error;
}

InstallError InstallError::tooLarge(std::int64_t bytes)
{
    InstallError error(Kind::tooLarge);
    error.bytes = bytes;
    return error;
}

InstallError InstallError::toolFailed(QString tool, QString detail)
{
    InstallError error(Kind::toolFailed);
    error.tool = std::move(tool);
    error.detail = std::move(detail);
    return error;
}

InstallError InstallError::sizeMismatch(std::int64_t expected, std::int64_t actual)
{
    InstallError error(Kind::sizeMismatch);
    error.expected = expected;
    error.actual = actual;
    return error;
}

InstallError InstallError::appRunning(QString name)
{
    InstallError error(Kind::appRunning);
    error.name = std::move(name);
    return error;
}

InstallError InstallError::placementFailed(QString reason)
{
    InstallError error(Kind::placementFailed);
    error.reason = std::move(reason);
    return error;
}

InstallError InstallError::downgrade(QString name, QString installed, QString offered)
{
    InstallError error(Kind::downgrade);
    error.name = std::move(name);
    error.installed = std::move(installed);
    error.offered = std::move(offered);
    return error;
}

InstallError InstallError::occupied(QString name)
{
    InstallError error(Kind::occupied);
    error.name = std::move(name);
    return error;
}

InstallError InstallError::untrustedContainer(QString reason)
{
    InstallError error(Kind::untrustedContainer);
    error.reason = std::move(reason);
    return error;
}

InstallError InstallError::unknownFormat() { return InstallError(Kind::unknownFormat); }

InstallError InstallError::nothingToInstall() { return InstallError(Kind::nothingToInstall); }

InstallError InstallError::alreadyProcessing() { return InstallError(Kind::alreadyProcessing); }

InstallError InstallError::workFolderBusy(QString folder)
{
    InstallError error(Kind::workFolderBusy);
    error.name = std::move(folder);
    return error;
}

bool InstallError::operator==(const InstallError& other) const
{
    auto fields = [](const InstallError& e) {
        return std::tie(e.kind, e.reason, e.tool, e.detail, e.name, e.installed, e.offered, e.bytes, e.expected, e.actual);
    };
    return fields(*this) == fields(other);
}

QString InstallError::message() const
{
    switch (kind) {
    case Kind::unsafeArchive:
        return QStringLiteral("The download was refused: ") + reason + u'.';
    case Kind::tooLarge:
        return QStringLiteral("The download expands to ") + ByteCountFormatter::fileString(bytes)
            + QStringLiteral(", over the limit.");
    case Kind::toolFailed:
        return tool + QStringLiteral(" failed: ") + detail;
    case Kind::sizeMismatch:
        return QStringLiteral("The download is ") + QString::number(actual) + QStringLiteral(" bytes; the store said ")
            + QString::number(expected) + QStringLiteral(". Discarded.");
    case Kind::appRunning:
        return QStringLiteral("Quit ") + name + QStringLiteral(" first, then install again.");
    case Kind::placementFailed:
        return QStringLiteral("Could not put the files in place: ") + reason;
    case Kind::downgrade:
        return name + u' ' + offered + QStringLiteral(" is older than the installed ") + installed
            + QStringLiteral(". Refused, so an old release cannot replace a newer one.");
    case Kind::occupied:
        return QStringLiteral("Something that is not this Tavren product is already installed as ") + name
            + QStringLiteral(". Nothing was replaced. Move it aside to install.");
    case Kind::untrustedContainer:
        return QStringLiteral("The download's own signature was refused: ") + reason + u'.';
    case Kind::unknownFormat:
        return QStringLiteral("The download is not a package, disk image or zip archive.");
    case Kind::nothingToInstall:
        return QStringLiteral("The download contains no Mac app or plug-in.");
    case Kind::alreadyProcessing:
        return QStringLiteral("This download is already being processed. Try again in a minute.");
    case Kind::workFolderBusy:
        return QStringLiteral("Another process is using the download folder ") + name + QStringLiteral(". Try again in a minute.");
    }
    return {};
}

} // namespace hub
