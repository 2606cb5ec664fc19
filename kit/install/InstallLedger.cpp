#include "kit/install/InstallLedger.h"

#include "kit/support/AppDirectories.h"
#include "kit/support/AtomicFile.h"
#include "kit/support/Version.h"

#include <QFile>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

namespace hub {

namespace {

Q_LOGGING_CATEGORY(logLedger, "com.tavren.hub.ledger")

// The content of a file, nothing when it does not exist, or `unreadable` set.
struct FileRead {
    std::optional<QByteArray> bytes;
    bool unreadable = false;
};

FileRead readFile(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, true};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {std::nullopt, true};
    return {bytes, false};
}

// Keeps a file the hub could not read rather than writing over it.
void moveAside(const QString& path, const QString& problem)
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString target = path + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFile::exists(target); ++n)
        target = path + QStringLiteral(".unreadable-") + stamp + u'-' + QString::number(n);
    if (std::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) != 0)
        throw std::system_error(errno, std::generic_category(), ("move aside " + path).toStdString());
    qCWarning(logLedger, "%s could not be read (%s); moved aside to %s", qUtf8Printable(path), qUtf8Printable(problem),
              qUtf8Printable(target));
}

// A file of one JSON object decoded by `decode`; empty when missing or unreadable,
// which is moved aside first when `moveAsideUnreadable`.
template <typename Map, typename Decode>
Map readJsonObject(const QString& path, bool moveAsideUnreadable, Decode decode)
{
    const FileRead read = readFile(path);
    if (!read.bytes && !read.unreadable)
        return {};
    QString problem = QStringLiteral("the file cannot be opened");
    if (read.bytes) {
        try {
            return decode(JsonReader::parse(*read.bytes));
        } catch (const JsonError& error) {
            problem = error.message();
        }
    }
    if (moveAsideUnreadable)
        moveAside(path, problem);
    return {};
}

QHash<QString, InstallRecord> decodeRecords(const JsonReader& reader)
{
    QHash<QString, InstallRecord> records;
    for (auto it = reader.object().begin(); it != reader.object().end(); ++it)
        records.insert(it.key(), InstallRecord::fromJson(reader.child(it.key())));
    return records;
}

QHash<QString, QString> decodeFloors(const JsonReader& reader)
{
    QHash<QString, QString> floors;
    for (auto it = reader.object().begin(); it != reader.object().end(); ++it)
        floors.insert(it.key(), reader.string(it.key()));
    return floors;
}

QHash<QString, QString> readFloors(const QString& path, bool moveAsideUnreadable)
{
    return readJsonObject<QHash<QString, QString>>(path, moveAsideUnreadable, decodeFloors);
}

} // namespace

InstallLedger::InstallLedger(const QString& directory)
    : file(directory + QStringLiteral("/installed.json")), floorsFile(directory + QStringLiteral("/version-floors.json"))
{
    readRecords(false);
}

std::unique_ptr<InstallLedger> InstallLedger::standard() { return std::make_unique<InstallLedger>(AppDirectories::support()); }

void InstallLedger::readRecords(bool moveAsideUnreadable)
{
    records_ = readJsonObject<QHash<QString, InstallRecord>>(file, moveAsideUnreadable, decodeRecords);
}

std::optional<InstallRecord> InstallLedger::record(const QString& productId) const
{
    const std::lock_guard lock(mutex_);
    const auto it = records_.constFind(productId);
    if (it == records_.constEnd())
        return std::nullopt;
    return *it;
}

QList<InstallRecord> InstallLedger::all() const
{
    QList<InstallRecord> list;
    {
        const std::lock_guard lock(mutex_);
        list = records_.values();
    }
    std::stable_sort(list.begin(), list.end(),
                     [](const InstallRecord& a, const InstallRecord& b) { return a.productName < b.productName; });
    return list;
}

void InstallLedger::save(const InstallRecord& record)
{
    const std::lock_guard lock(mutex_);
    readRecords(true);
    records_.insert(record.productId, record);
    persist();

    QHash<QString, QString> floors = readFloors(floorsFile, true);
    for (const InstalledItem& item : record.items) {
        if (!item.version)
            continue;
        const auto it = floors.find(item.identifier);
        if (it == floors.end())
            floors.insert(item.identifier, *item.version);
        else if (Version(*it) < Version(*item.version))
            *it = *item.version;
    }
    QJsonObject object;
    for (auto it = floors.cbegin(); it != floors.cend(); ++it)
        object.insert(it.key(), *it);
    AtomicFile::write(floorsFile, QJsonDocument(object).toJson(QJsonDocument::Compact));
}

void InstallLedger::remove(const QString& productId)
{
    const std::lock_guard lock(mutex_);
    readRecords(true);
    records_.remove(productId);
    persist();
}

void InstallLedger::reload()
{
    const std::lock_guard lock(mutex_);
    readRecords(false);
}

std::optional<QString> InstallLedger::floor(const QString& identifier) const
{
    const std::lock_guard lock(mutex_);
    const QHash<QString, QString> floors = readFloors(floorsFile, false);
    const auto it = floors.constFind(identifier);
    if (it == floors.constEnd())
        return std::nullopt;
    return *it;
}

void InstallLedger::persist()
{
    QJsonObject object;
    for (auto it = records_.cbegin(); it != records_.cend(); ++it)
        object.insert(it.key(), it->toJson());
    // QJsonObject keeps its keys sorted, so every object is written with sorted keys.
    AtomicFile::write(file, QJsonDocument(object).toJson(QJsonDocument::Indented));
}

} // namespace hub
