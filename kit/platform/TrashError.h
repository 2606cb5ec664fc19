#pragma once

#include "kit/support/Error.h"

namespace hub {

// Why an item could not be moved to the Trash; it stays where it was. message() is the
// reason, a phrase without a final period that names what is at fault ("/home/ann/.local/
// share/Trash is not a folder"); callers put the item's name before it.
class TrashError : public Error {
public:
    enum class Kind { noName, notAFolder, link, otherOwner, system };

    // The path, as written, names no item of its own ("", ".", "sub/..", "/").
    static TrashError noName(QString path) { return {Kind::noName, std::move(path)}; }
    static TrashError notAFolder(QString path) { return {Kind::notAFolder, std::move(path)}; }
    static TrashError link(QString path) { return {Kind::link, std::move(path)}; }
    static TrashError otherOwner(QString path) { return {Kind::otherOwner, std::move(path)}; }
    // The system's error `code` (an errno value) at the path.
    static TrashError system(QString path, int code) { return {Kind::system, std::move(path), code}; }

    QString message() const override;
    bool operator==(const TrashError&) const = default;

    Kind kind;
    QString path;
    int code = 0; // system only

private:
    TrashError(Kind kind, QString path, int code = 0) : kind(kind), path(std::move(path)), code(code) {}
};

} // namespace hub
