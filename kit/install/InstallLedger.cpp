#include "kit/install/InstallLedger.h"

#include "kit/support/AppDirectories.h"
#include "kit/support/AtomicFile.h"
#include "kit/support/SmallFile.h"
#include "kit/support/Version.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

namespace hub {

namespace {

Q_LOGGING_CATEGORY(logLedger, "com.tavren.hub.ledger")

// Far above any ledger of real installs; a larger file is unreadable rather than read whole.
constexpr qint64 maxFileBytes = 32 << 20;

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

// A file of one JSON object decoded by `decode(reader, bytes)`: empty when missing,
// nothing when unreadable (moved aside first when `moveAsideUnreadable`). Read without
// blocking, regular files only, and only up to maxFileBytes.
template <typename Decode>
auto readJsonObject(const QString& path, bool moveAsideUnreadable, Decode decode)
    -> std::optional<decltype(decode(std::declval<const JsonReader&>(), QByteArray()))>
{
    // Out of memory is no fault of the file: std::bad_alloc goes to the caller and nothing is moved.
    const SmallFile read = SmallFile::read(path, maxFileBytes);
    if (read.missing())
        return decltype(decode(std::declval<const JsonReader&>(), QByteArray())){};
    QString problem = read.problem;
    if (read.bytes) {
        try {
            return decode(JsonReader::parse(*read.bytes), *read.bytes);
        } catch (const JsonError& error) {
            problem = error.message();
        }
    }
    if (moveAsideUnreadable)
        moveAside(path, problem);
    return std::nullopt;
}

// A JSON value's compact text.
QByteArray compactText(const QJsonValue& value)
{
    const QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return text.mid(1, text.size() - 2);
}

struct DecodedRecords {
    QHash<QString, InstallRecord> records;
    QMap<QString, QByteArray> undecoded;
};

DecodedRecords decodeRecords(const JsonReader& reader, const QByteArray& bytes)
{
    DecodedRecords decoded;
    QMap<QString, QByteArray> texts;
    for (auto it = reader.object().begin(); it != reader.object().end(); ++it) {
        try {
            decoded.records.insert(it.key(), InstallRecord::fromJson(reader.child(it.key())));
        } catch (const JsonError& error) {
            if (texts.isEmpty())
                texts = JsonReader::memberTexts(bytes);
            const QByteArray text = texts.value(it.key());
            decoded.undecoded.insert(it.key(), text.isEmpty() ? compactText(*it) : text);
            qCWarning(logLedger, "record %s could not be read (%s); it is kept as it is", qUtf8Printable(it.key()),
                      qUtf8Printable(error.message()));
        }
    }
    return decoded;
}

QHash<QString, QString> decodeFloors(const JsonReader& reader, const QByteArray&)
{
    QHash<QString, QString> floors;
    for (auto it = reader.object().begin(); it != reader.object().end(); ++it)
        floors.insert(it.key(), reader.string(it.key()));
    return floors;
}

// Raises each floor to the version of an item with its identifier; floors never fall.
void raiseFloors(QHash<QString, QString>& floors, const QList<InstalledItem>& items)
{
    for (const InstalledItem& item : items) {
        if (!item.version)
            continue;
        const auto it = floors.find(item.identifier);
        if (it == floors.end())
            floors.insert(item.identifier, *item.version);
        else if (Version(*it) < Version(*item.version))
            *it = *item.version;
    }
}

// A JSON text as "installed.json" is written: pretty-printed with sorted keys.
QByteArray indentedObject(const QMap<QString, QByteArray>& members)
{
    QByteArray text = "{\n";
    for (auto it = members.cbegin(); it != members.cend(); ++it) {
        text += "    " + compactText(it.key()) + ": " + *it;
        text += std::next(it) == members.cend() ? "\n" : ",\n";
    }
    return text + "}\n";
}

} // namespace

InstallLedger::InstallLedger(const QString& directory)
    : file(directory + QStringLiteral("/installed.json")), floorsFile(directory + QStringLiteral("/version-floors.json"))
{
    try {
        readRecords(false);
    } catch (const std::bad_alloc&) {
        qCWarning(logLedger, "no memory to read %s; the ledger starts empty", qUtf8Printable(file));
    }
}

std::unique_ptr<InstallLedger> InstallLedger::standard() { return std::make_unique<InstallLedger>(AppDirectories::support()); }

void InstallLedger::readRecords(bool moveAsideUnreadable)
{
    DecodedRecords decoded = readJsonObject(file, moveAsideUnreadable, decodeRecords).value_or(DecodedRecords{});
    records_ = std::move(decoded.records);
    undecoded_ = std::move(decoded.undecoded);
}

QHash<QString, QString> InstallLedger::readFloors(bool moveAsideUnreadable) const
{
    if (std::optional<QHash<QString, QString>> floors = readJsonObject(floorsFile, moveAsideUnreadable, decodeFloors))
        return *floors;
    QHash<QString, QString> rebuilt;
    for (const InstallRecord& record : records_)
        raiseFloors(rebuilt, record.items);
    return rebuilt;
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
    undecoded_.remove(record.productId);
    persist();

    QHash<QString, QString> floors = readFloors(true);
    raiseFloors(floors, record.items);
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
    undecoded_.remove(productId);
    persist();
}

void InstallLedger::reload()
{
    const std::lock_guard lock(mutex_);
    try {
        readRecords(false);
    } catch (const std::bad_alloc&) {
        qCWarning(logLedger, "no memory to read %s; the records read before stay", qUtf8Printable(file));
    }
}

std::optional<QString> InstallLedger::floor(const QString& identifier) const
{
    const std::lock_guard lock(mutex_);
    const QHash<QString, QString> floors = readFloors(false);
    const auto it = floors.constFind(identifier);
    if (it == floors.constEnd())
        return std::nullopt;
    return *it;
}

void InstallLedger::persist()
{
    QMap<QString, QByteArray> members = undecoded_;
    for (auto it = records_.cbegin(); it != records_.cend(); ++it) {
        // QJsonObject keeps its keys sorted, so every object is written with sorted keys.
        QByteArray text = QJsonDocument(it->toJson()).toJson(QJsonDocument::Indented).trimmed();
        members.insert(it.key(), text.replace("\n", "\n    "));
    }
    AtomicFile::write(file, indentedObject(members));
}

} // namespace hub
