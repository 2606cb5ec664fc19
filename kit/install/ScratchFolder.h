#pragma once

#include "kit/support/FileDescriptor.h"

#include <QByteArray>
#include <QString>

namespace hub {

// A fresh folder of its own inside a parent folder (mode 0700, a unique name), removed
// with everything in it when the object goes: read-only folders that a tool left behind
// are made writable first, and links are removed, never followed. It is kept open, so that
// what goes is this folder, never another that took its name meanwhile.
class ScratchFolder {
public:
    // Throws std::system_error when the folder cannot be made.
    explicit ScratchFolder(const QString& parent, const QString& prefix = QStringLiteral("extraction-"));
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const QString& path() const { return path_; }
    // path()/name; nothing is created.
    QString operator/(const QString& name) const { return path_ + u'/' + name; }

private:
    QString path_;
    FileDescriptor parent_;
    QByteArray name_;
    FileDescriptor folder_;
};

} // namespace hub
