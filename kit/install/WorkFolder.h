#pragma once

#include <QString>
#include <optional>

namespace hub {

// The install engine's work folder: one folder per run, named by the caller (a
// sanitised download key), claimed with an exclusive flock on "<name>.lock" in the
// ".claims" folder, a name no sanitised key can take (they never start with a dot).
// Nothing below the root is followed through a link: a link where a run's folder, the
// claims folder or a lock file should be is removed, never written through. Whatever
// no live claim holds is a leftover of an ended process, and sweep() removes it.
class WorkFolder {
public:
    // A held claim; releasing it (or destroying it) deletes its lock file, so no
    // lock files pile up. Another process's claim is never taken from it.
    class Claim {
    public:
        Claim(Claim&& other) noexcept;
        Claim& operator=(Claim&&) = delete;
        ~Claim();
        void release();

        const QString folder; // the run's folder

    private:
        friend class WorkFolder;
        Claim(QString folder, QString lockFile, int descriptor);
        QString lockFile_;
        int descriptor_;
    };

    explicit WorkFolder(QString root);

    static constexpr const char* claimsName = ".claims";

    // Claims the run folder `name` and makes it (0700) when missing. Nothing when a
    // live run holds it. Throws std::system_error when the folders cannot be made.
    std::optional<Claim> claim(const QString& name) const;
    // Removes the run folder `name` with all it holds, unless a live run holds it.
    void discard(const QString& name) const;
    // Removes every entry of the root that no live claim holds, and every lock file
    // no live run holds. Never throws.
    void sweep() const;

    const QString root;

private:
    std::optional<Claim> claimOnly(const QString& name) const;
};

} // namespace hub
