#pragma once

#include "kit/install/InstallRecord.h"

#include <QHash>
#include <QMap>
#include <memory>
#include <mutex>

namespace hub {

// The on-disk memory of what the hub installed ("installed.json", one record per
// product) and the version floors ("version-floors.json", the highest version ever
// installed per bundle identifier; floors only rise). Shared by every thread of a
// process; each writing operation re-reads the file first so that records another
// process saved survive. Records are read one by one: one that does not decode
// (written by a newer version, edited by hand) is left out of the ledger but kept
// as text and written back unchanged. A file that exists but cannot be read at all
// (not JSON, not a regular file, or too large to be a ledger) is moved aside (name +
// ".unreadable-" + UTC time) and logged before a new one is written; unreadable floors
// are then rebuilt from the versions in the records.
class InstallLedger {
public:
    explicit InstallLedger(const QString& directory); // reads the ledger; never fails
    static std::unique_ptr<InstallLedger> standard(); // over AppDirectories::support(); throws std::system_error

    std::optional<InstallRecord> record(const QString& productId) const;
    QList<InstallRecord> all() const; // by productName, ordinal and case-sensitive

    // Files the record (replacing the product's earlier one) and raises the floors of its
    // items. File errors throw std::system_error; when "installed.json" cannot be written
    // the floors are left alone.
    void save(const InstallRecord& record);
    // Drops the product's record; its floors stay.
    void remove(const QString& productId);
    void reload();

    // Read from "version-floors.json" at every call (from the records when it is unreadable).
    // Throws std::bad_alloc when there is no memory to read it, rather than answer "no floor".
    std::optional<QString> floor(const QString& identifier) const;

    const QString file;
    const QString floorsFile;

private:
    void readRecords(bool moveAsideUnreadable);
    QHash<QString, QString> readFloors(bool moveAsideUnreadable) const;
    void persist();

    mutable std::mutex mutex_;
    QHash<QString, InstallRecord> records_;
    QMap<QString, QByteArray> undecoded_; // product id -> the record's JSON text as it was read
};

} // namespace hub
