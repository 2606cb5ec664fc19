#pragma once

#include <QString>

namespace hub {

// A fresh folder of its own inside a parent folder (mode 0700, a unique name), removed
// with everything in it when the object goes: read-only folders that a tool left behind
// are made writable first, and links are removed, never followed.
class ScratchFolder {
public:
    // Throws std::system_error when the folder cannot be made.
    explicit ScratchFolder(const QString& parent);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const QString& path() const { return path_; }
    // path()/name; nothing is created.
    QString operator/(const QString& name) const { return path_ + u'/' + name; }

    // Removes a whole tree the same way (NoFollow::removeTree); a failure to remove is ignored.
    static void removeTree(const QString& root);

private:
    QString path_;
};

} // namespace hub
