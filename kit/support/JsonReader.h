#pragma once

#include "kit/support/Error.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QString>
#include <optional>

namespace hub {

// A JSON document or member that does not have the shape a record expects.
class JsonError : public Error {
public:
    explicit JsonError(QString description) : description(std::move(description)) {}
    QString message() const override { return description; }
    bool operator==(const JsonError&) const = default;

    QString description;
};

// The one strict reader of every record: a required member that is missing or
// null fails; an optional one that is missing or null is absent; a wrong type
// fails even for an optional; unknown members are ignored; integers are exact
// 64-bit values (12.5 is not an integer, nor is anything below -2^63).
class JsonReader {
public:
    explicit JsonReader(QJsonObject object, QString path = QStringLiteral("$"));

    // Parses a whole document whose top level must be an object.
    static JsonReader parse(const QByteArray& bytes);
    // The text of each member value of a document's top-level object, exactly as
    // written; empty when the document is not a JSON object.
    static QMap<QString, QByteArray> memberTexts(const QByteArray& bytes);

    const QJsonObject& object() const { return object_; }
    const QString& path() const { return path_; }
    bool has(QStringView key) const; // present and not null

    QString string(QStringView key) const;
    std::optional<QString> optionalString(QStringView key) const;
    qint64 integer(QStringView key) const;
    std::optional<qint64> optionalInteger(QStringView key) const;
    double number(QStringView key) const;
    std::optional<double> optionalNumber(QStringView key) const;
    bool boolean(QStringView key) const;
    std::optional<bool> optionalBoolean(QStringView key) const;
    JsonReader child(QStringView key) const;
    std::optional<JsonReader> optionalChild(QStringView key) const;
    // An optional nested record, read through `decode(const JsonReader&)`.
    template <typename Decode>
    auto optionalChild(QStringView key, Decode decode) const
        -> std::optional<decltype(decode(std::declval<const JsonReader&>()))>
    {
        auto object = optionalChild(key);
        if (!object)
            return std::nullopt;
        return decode(*object);
    }
    QJsonArray array(QStringView key) const;
    std::optional<QJsonArray> optionalArray(QStringView key) const;
    QStringList stringList(QStringView key) const;
    std::optional<QStringList> optionalStringList(QStringView key) const;

    // Reads an array of objects, each through `decode(const JsonReader&)`.
    template <typename Decode>
    auto list(QStringView key, Decode decode) const
    {
        return decodeArray(array(key), memberPath(key), decode);
    }
    template <typename Decode>
    auto optionalList(QStringView key, Decode decode) const
        -> std::optional<QList<decltype(decode(std::declval<const JsonReader&>()))>>
    {
        auto values = optionalArray(key);
        if (!values)
            return std::nullopt;
        return decodeArray(*values, memberPath(key), decode);
    }

    template <typename Decode>
    auto decodeArray(const QJsonArray& values, const QString& path, Decode decode) const
    {
        using T = decltype(decode(std::declval<const JsonReader&>()));
        QList<T> out;
        out.reserve(values.size());
        for (qsizetype i = 0; i < values.size(); ++i) {
            const QString itemPath = path + u'[' + QString::number(i) + u']';
            if (!values[i].isObject())
                throw JsonError(itemPath + QStringLiteral(": expected an object"));
            out.append(decode(nested(values[i].toObject(), itemPath)));
        }
        return out;
    }

    // Fails with this reader's path and member, for checks the records add.
    [[noreturn]] void fail(QStringView key, const QString& problem) const;
    QString memberPath(QStringView key) const;

    static std::optional<qint64> exactInteger(const QJsonValue& value);

private:
    QJsonValue required(QStringView key) const;
    std::optional<QJsonValue> optional(QStringView key) const;
    JsonReader nested(QJsonObject object, QString path) const;

    QJsonObject object_;
    QString path_;
    // Qt reads every number whose nearest double is -2^63 as that integer; when the
    // parsed text held such a number below -2^63, no -2^63 of the document is trusted.
    bool minimumIsAmbiguous_ = false;
};

// Writing side: absent optionals are left out.
namespace json {
template <typename T>
void putOptional(QJsonObject& object, const QString& key, const std::optional<T>& value)
{
    if (value)
        object.insert(key, QJsonValue(*value));
}
inline void putOptional(QJsonObject& object, const QString& key, const std::optional<QStringList>& value)
{
    if (value)
        object.insert(key, QJsonArray::fromStringList(*value));
}

// Records write themselves with toJson().
template <typename T>
    requires requires(const T& record) { record.toJson(); }
void putOptional(QJsonObject& object, const QString& key, const std::optional<T>& value)
{
    if (value)
        object.insert(key, value->toJson());
}

template <typename T>
QJsonArray toArray(const QList<T>& records)
{
    QJsonArray out;
    for (const T& record : records)
        out.append(record.toJson());
    return out;
}

template <typename T>
void putOptional(QJsonObject& object, const QString& key, const std::optional<QList<T>>& value)
{
    if (value)
        object.insert(key, toArray(*value));
}
} // namespace json

} // namespace hub
