#include "kit/support/JsonReader.h"

#include <QJsonDocument>
#include <cctype>
#include <cmath>
#include <limits>

namespace hub {

namespace {

QString typeName(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Null: return QStringLiteral("null");
    case QJsonValue::Bool: return QStringLiteral("a boolean");
    case QJsonValue::Double: return QStringLiteral("a number");
    case QJsonValue::String: return QStringLiteral("a string");
    case QJsonValue::Array: return QStringLiteral("an array");
    case QJsonValue::Object: return QStringLiteral("an object");
    case QJsonValue::Undefined: break;
    }
    return QStringLiteral("nothing");
}

// The index just past the string that starts at `i` (its opening quote).
qsizetype skipString(const QByteArray& bytes, qsizetype i)
{
    for (++i; i < bytes.size() && bytes[i] != '"'; ++i) {
        if (bytes[i] == '\\')
            ++i;
    }
    return i + 1;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Whether the JSON text holds a number other than -9223372036854775808 itself whose
// nearest double is -2^63 (-9223372036854775809, -9.2233720368547758081e18, ...).
bool holdsNumberReadAsMinimum(const QByteArray& bytes)
{
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        const char c = bytes[i];
        if (c == '"') {
            i = skipString(bytes, i);
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            const qsizetype start = i;
            while (i < size && (std::isdigit(static_cast<unsigned char>(bytes[i])) || bytes[i] == '-' || bytes[i] == '+'
                                || bytes[i] == '.' || bytes[i] == 'e' || bytes[i] == 'E'))
                ++i;
            const QByteArrayView number = QByteArrayView(bytes).sliced(start, i - start);
            bool ok = false;
            if (c == '-' && number != "-9223372036854775808" && number.toDouble(&ok) == -0x1p63 && ok)
                return true;
        } else {
            ++i;
        }
    }
    return false;
}

} // namespace

JsonReader::JsonReader(QJsonObject object, QString path) : object_(std::move(object)), path_(std::move(path)) {}

JsonReader JsonReader::parse(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        throw JsonError(QStringLiteral("invalid JSON at offset %1: %2").arg(error.offset).arg(error.errorString()));
    if (!document.isObject())
        throw JsonError(QStringLiteral("$: expected an object"));
    JsonReader reader(document.object());
    reader.minimumIsAmbiguous_ = holdsNumberReadAsMinimum(bytes);
    return reader;
}

QMap<QString, QByteArray> JsonReader::memberTexts(const QByteArray& bytes)
{
    if (!QJsonDocument::fromJson(bytes).isObject())
        return {};
    QMap<QString, QByteArray> members;
    qsizetype i = bytes.indexOf('{') + 1;
    const qsizetype size = bytes.size();
    while (i < size) {
        while (i < size && (isBlank(bytes[i]) || bytes[i] == ','))
            ++i;
        if (i >= size || bytes[i] != '"')
            break; // the closing brace
        const qsizetype keyEnd = skipString(bytes, i);
        const QString key = QJsonDocument::fromJson('[' + bytes.mid(i, keyEnd - i) + ']').array().at(0).toString();
        i = bytes.indexOf(':', keyEnd) + 1;
        while (i < size && isBlank(bytes[i]))
            ++i;
        const qsizetype start = i;
        for (int depth = 0; i < size && (depth > 0 || (bytes[i] != ',' && bytes[i] != '}'));) {
            if (bytes[i] == '"') {
                i = skipString(bytes, i);
                continue;
            }
            if (bytes[i] == '{' || bytes[i] == '[')
                ++depth;
            else if (bytes[i] == '}' || bytes[i] == ']')
                --depth;
            ++i;
        }
        members.insert(key, bytes.mid(start, i - start).trimmed());
    }
    return members;
}

JsonReader JsonReader::nested(QJsonObject object, QString path) const
{
    JsonReader reader(std::move(object), std::move(path));
    reader.minimumIsAmbiguous_ = minimumIsAmbiguous_;
    return reader;
}

bool JsonReader::has(QStringView key) const
{
    const QJsonValue value = object_.value(key);
    return !value.isUndefined() && !value.isNull();
}

QString JsonReader::memberPath(QStringView key) const { return path_ + u'.' + key.toString(); }

void JsonReader::fail(QStringView key, const QString& problem) const
{
    throw JsonError(memberPath(key) + QStringLiteral(": ") + problem);
}

QJsonValue JsonReader::required(QStringView key) const
{
    const QJsonValue value = object_.value(key);
    if (value.isUndefined())
        fail(key, QStringLiteral("required member is missing"));
    if (value.isNull())
        fail(key, QStringLiteral("required member is null"));
    return value;
}

std::optional<QJsonValue> JsonReader::optional(QStringView key) const
{
    const QJsonValue value = object_.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    return value;
}

std::optional<qint64> JsonReader::exactInteger(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    // Qt keeps integer literals that fit in 64 bits exactly; anything else is a double.
    const QVariant variant = value.toVariant();
    if (variant.typeId() == QMetaType::LongLong)
        return variant.toLongLong();
    const double d = value.toDouble();
    if (std::isfinite(d) && std::trunc(d) == d && std::fabs(d) < 9007199254740992.0)
        return static_cast<qint64>(d);
    return std::nullopt;
}

#define HUB_EXPECT(cond, what)                                                                    \
    if (!(cond))                                                                                  \
        fail(key, QStringLiteral("expected " what ", found ") + typeName(value));

QString JsonReader::string(QStringView key) const
{
    const QJsonValue value = required(key);
    HUB_EXPECT(value.isString(), "a string");
    return value.toString();
}

std::optional<QString> JsonReader::optionalString(QStringView key) const
{
    if (!optional(key))
        return std::nullopt;
    return string(key);
}

qint64 JsonReader::integer(QStringView key) const
{
    const QJsonValue value = required(key);
    const auto integer = exactInteger(value);
    HUB_EXPECT(integer && !(minimumIsAmbiguous_ && *integer == std::numeric_limits<qint64>::min()), "an integer");
    return *integer;
}

std::optional<qint64> JsonReader::optionalInteger(QStringView key) const
{
    if (!optional(key))
        return std::nullopt;
    return integer(key);
}

double JsonReader::number(QStringView key) const
{
    const QJsonValue value = required(key);
    HUB_EXPECT(value.isDouble(), "a number");
    return value.toDouble();
}

std::optional<double> JsonReader::optionalNumber(QStringView key) const
{
    if (!optional(key))
        return std::nullopt;
    return number(key);
}

bool JsonReader::boolean(QStringView key) const
{
    const QJsonValue value = required(key);
    HUB_EXPECT(value.isBool(), "a boolean");
    return value.toBool();
}

std::optional<bool> JsonReader::optionalBoolean(QStringView key) const
{
    if (!optional(key))
        return std::nullopt;
    return boolean(key);
}

JsonReader JsonReader::child(QStringView key) const
{
    const QJsonValue value = required(key);
    HUB_EXPECT(value.isObject(), "an object");
    return nested(value.toObject(), memberPath(key));
}

std::optional<JsonReader> JsonReader::optionalChild(QStringView key) const
{
    if (!optional(key))
        return std::nullopt;
    return child(key);
}

QJsonArray JsonReader::array(QStringView key) const
{
    const QJsonValue value = required(key);
    HUB_EXPECT(value.isArray(), "an array");
    return value.toArray();
}

std::optional<QJsonArray> JsonReader::optionalArray(QStringView key) const
{
    if (!optional(key))
        return std::nullopt;
    return array(key);
}

QStringList JsonReader::stringList(QStringView key) const
{
    const QJsonArray values = array(key);
    QStringList out;
    out.reserve(values.size());
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (!values[i].isString())
            throw JsonError(memberPath(key) + u'[' + QString::number(i) + QStringLiteral("]: expected a string"));
        out.append(values[i].toString());
    }
    return out;
}

std::optional<QStringList> JsonReader::optionalStringList(QStringView key) const
{
    if (!optional(key))
        return std::nullopt;
    return stringList(key);
}

#undef HUB_EXPECT

} // namespace hub
