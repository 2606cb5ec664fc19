#pragma once

#include "kit/support/Error.h"

#include <cstdint>

namespace hub {

// Everything that goes wrong with a download after it has arrived: its size, its
// format, its container signature, the tools that unpack it, the bundles in it and
// their placement. message() is the reason of the failed install that the user reads.
class InstallError : public Error {
public:
    enum class Kind {
        unsafeArchive,
        tooLarge,
        toolFailed,
        sizeMismatch,
        appRunning,
        placementFailed,
        downgrade,
        occupied,
        untrustedContainer,
        unknownFormat,
        nothingToInstall,
        alreadyProcessing,
        workFolderBusy,
    };

    // reason: a short lower-case phrase without a final period.
    static InstallError unsafeArchive(QString reason);
    // bytes: the measured expanded size.
    static InstallError tooLarge(std::int64_t bytes);
    // tool: the tool's file name; detail: its trimmed error output or "timed out".
    static InstallError toolFailed(QString tool, QString detail);
    static InstallError sizeMismatch(std::int64_t expected, std::int64_t actual);
    // name: the app's name without its extension.
    static InstallError appRunning(QString name);
    static InstallError placementFailed(QString reason);
    static InstallError downgrade(QString name, QString installed, QString offered);
    // name: the file name, with its extension, of what sits at the destination.
    static InstallError occupied(QString name);
    static InstallError untrustedContainer(QString reason);
    static InstallError unknownFormat();
    static InstallError nothingToInstall();
    // Another run holds the download's work folder.
    static InstallError alreadyProcessing();
    // Another process held the work folders' root longer than a claim waits.
    static InstallError workFolderBusy(QString folder);

    QString message() const override;
    bool operator==(const InstallError& other) const;

    Kind kind;
    QString reason;    // unsafeArchive, placementFailed, untrustedContainer
    QString tool;      // toolFailed
    QString detail;    // toolFailed
    QString name;      // appRunning, downgrade, occupied; workFolderBusy: the folder's path
    QString installed; // downgrade
    QString offered;   // downgrade
    std::int64_t bytes = 0;    // tooLarge
    std::int64_t expected = 0; // sizeMismatch
    std::int64_t actual = 0;   // sizeMismatch

private:
    explicit InstallError(Kind kind) : kind(kind) {}
};

} // namespace hub
