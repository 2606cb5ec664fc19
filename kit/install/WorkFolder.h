#pragma once

#include "kit/support/FileDescriptor.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <optional>

namespace hub {

// The install engine's work folder: one folder per run, named by the caller (a
// sanitised download key), claimed with an exclusive flock on "<name>.lock" in the
// ".claims" folder, a name no sanitised key can take (they never start with a dot).
// The root must be a real folder of this user; nothing is followed through a link:
// a link where a run's folder, the claims folder or a lock file should be is removed,
// never written through. Claims take the root's flock shared and sweeps exclusive, so
// a sweep never meets a claim being made; a sweep moves a run folder that no live run
// holds aside (".swept-*") before removing it. A sweep never waits for the root: while
// another holds it, or a claim or discard waits for it, the sweep leaves its work to
// the next one.
class WorkFolder {
public:
    // A held claim; releasing it (or destroying it) deletes its lock file, so no
    // lock files pile up. Another process's claim is never taken from it.
    class Claim {
    public:
        Claim(Claim&& other) noexcept = default;
        Claim& operator=(Claim&&) = delete;
        ~Claim();
        void release();
        // Removes the run's folder with all it holds (see NoFollow::removeTree).
        void removeFolder() const;

        const QString folder; // the run's folder

    private:
        friend class WorkFolder;
        Claim(QString folder, FileDescriptor claims, QByteArray lockName, FileDescriptor lock);
        FileDescriptor claims_; // the claims folder
        QByteArray lockName_;
        FileDescriptor lock_;
    };

    // A claim or a discard waits up to `patience` for the root while another holds it.
    static constexpr std::chrono::milliseconds standardPatience = std::chrono::seconds(5);
    explicit WorkFolder(QString root, std::chrono::milliseconds patience = standardPatience);

    static constexpr const char* claimsName = ".claims";

    // Claims the run folder `name` and makes it (0700) when missing. A folder found
    // again is emptied first, links removed and not followed, but for the regular file
    // `keep` in it (the partial download a resumed run goes on with). Nothing when a
    // live run holds it. Throws InstallError::workFolderBusy when another process held
    // the root too long; std::system_error when the folders cannot be made or the root
    // is a link or another user's folder.
    std::optional<Claim> claim(const QString& name, const QString& keep = {}) const;
    // Removes the run folder `name` with all it holds, unless a live run holds it; left
    // to the next sweep when the root stays held.
    void discard(const QString& name) const;
    // Removes the run folders and the lock files that no live run holds, and partial
    // downloads left in the root; nothing else. Never throws.
    void sweep() const;

    const QString root;
    const std::chrono::milliseconds patience;
};

} // namespace hub
