#include "kit/api/StorefrontSnapshot.h"

#include <cstring>
#include <type_traits>

namespace hub {

namespace {

constexpr quint32 magic = 0x54565346; // "TVSF"
constexpr quint32 version = 1;
constexpr QStringView extension = u"bin";

// A field added to a record must be written and read here too (and the version raised).
static_assert(sizeof(Download) == 96 && sizeof(Recurrence) == 56 && sizeof(PricingVariation) == 128
                  && sizeof(StorefrontProduct) == 408 && sizeof(StorefrontBundle) == 336 && sizeof(Storefront) == 104,
              "a storefront record changed: update StorefrontSnapshot and its version");

// Plain values in host byte order (the file never leaves this machine), texts as a
// length in UTF-16 units (-1 for a null text) and their units.
struct Writer {
    QByteArray bytes;

    template <typename T>
    void plain(T value)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
};

// Reads what Writer wrote; `ok` turns false at the first value past the end or out of range.
struct Reader {
    const char* at;
    const char* end;
    bool ok = true;

    template <typename T>
    T plain()
    {
        T value{};
        if (!ok || size_t(end - at) < sizeof value) {
            ok = false;
            return value;
        }
        std::memcpy(&value, at, sizeof value);
        at += sizeof value;
        return value;
    }
    // A count of items that each take at least `itemBytes`: never more than what is left.
    qint64 count(qint64 itemBytes)
    {
        const qint64 n = plain<qint64>();
        if (n < 0 || n > (end - at) / itemBytes)
            ok = false;
        return ok ? n : 0;
    }
};

void put(Writer& out, const QString& text);
void put(Writer& out, bool flag);
void put(Writer& out, qint64 number);
void put(Writer& out, const PriceMap& prices);
void put(Writer& out, Platform platform);
void put(Writer& out, const Download& d);
void put(Writer& out, const Recurrence& r);
void put(Writer& out, const PricingVariation& v);
void put(Writer& out, const StorefrontProduct& p);
void put(Writer& out, const StorefrontBundle& b);
void get(Reader& in, QString& text);
void get(Reader& in, bool& flag);
void get(Reader& in, qint64& number);
void get(Reader& in, PriceMap& prices);
void get(Reader& in, Platform& platform);
void get(Reader& in, Download& d);
void get(Reader& in, Recurrence& r);
void get(Reader& in, PricingVariation& v);
void get(Reader& in, StorefrontProduct& p);
void get(Reader& in, StorefrontBundle& b);
template <typename T>
void put(Writer& out, const QList<T>& values);
template <typename T>
void get(Reader& in, QList<T>& values);

template <typename T>
void put(Writer& out, const std::optional<T>& value)
{
    out.plain(value.has_value());
    if (value)
        put(out, *value);
}

template <typename T>
void put(Writer& out, const QList<T>& values)
{
    out.plain(qint64(values.size()));
    for (const T& value : values)
        put(out, value);
}

template <typename... T>
void putAll(Writer& out, const T&... values)
{
    (put(out, values), ...);
}

void put(Writer& out, const QString& text)
{
    out.plain(qint32(text.isNull() ? -1 : text.size()));
    out.bytes.append(reinterpret_cast<const char*>(text.constData()), text.size() * qsizetype(sizeof(QChar)));
}
void put(Writer& out, bool flag) { out.plain(flag); }
void put(Writer& out, qint64 number) { out.plain(number); }
void put(Writer& out, Platform platform) { out.plain(qint32(platform)); }
void put(Writer& out, const PriceMap& prices)
{
    out.plain(qint64(prices.size()));
    for (auto it = prices.cbegin(); it != prices.cend(); ++it) {
        put(out, it.key());
        out.plain(it.value());
    }
}
void put(Writer& out, const Download& d) { putAll(out, d.name, d.key, d.platform, d.size, d.path); }
void put(Writer& out, const Recurrence& r) { putAll(out, r.type, r.cycleLength); }
void put(Writer& out, const PricingVariation& v) { putAll(out, v.id, v.name, v.originalPrice, v.price, v.hasDiscount, v.recurrence); }
void put(Writer& out, const StorefrontProduct& p)
{
    putAll(out, p.id, p.name, p.tagline, p.description, p.iconUrl, p.website, p.owned, p.currentVersion, p.downloads,
           p.defaultVariation, p.variations);
}
void put(Writer& out, const StorefrontBundle& b)
{
    putAll(out, b.id, b.name, b.tagline, b.description, b.iconUrl, b.owned, b.partial, b.products, b.defaultVariation,
           b.variations);
}

template <typename T>
void get(Reader& in, std::optional<T>& value)
{
    bool present = false;
    get(in, present);
    value.reset();
    if (present && in.ok)
        get(in, value.emplace());
}

template <typename T>
void get(Reader& in, QList<T>& values)
{
    const qint64 count = in.count(1);
    values.clear();
    values.reserve(count);
    for (qint64 i = 0; i < count && in.ok; ++i)
        get(in, values.emplace_back());
}

template <typename... T>
void getAll(Reader& in, T&... values)
{
    (get(in, values), ...);
}

void get(Reader& in, QString& text)
{
    const qint32 length = in.plain<qint32>();
    text = QString();
    if (length == -1 || !in.ok)
        return;
    if (length < 0 || qint64(length) > (in.end - in.at) / qint64(sizeof(QChar))) {
        in.ok = false;
        return;
    }
    text.resize(length);
    std::memcpy(text.data(), in.at, size_t(length) * sizeof(QChar));
    in.at += qsizetype(length) * qsizetype(sizeof(QChar));
}
void get(Reader& in, bool& flag)
{
    const quint8 raw = in.plain<quint8>();
    if (raw > 1)
        in.ok = false;
    flag = raw == 1;
}
void get(Reader& in, qint64& number) { number = in.plain<qint64>(); }
void get(Reader& in, Platform& platform)
{
    const qint32 raw = in.plain<qint32>();
    if (raw < qint32(Platform::universal) || raw > qint32(Platform::unknown))
        in.ok = false;
    platform = in.ok ? Platform(raw) : Platform::unknown;
}
void get(Reader& in, PriceMap& prices)
{
    const qint64 count = in.count(qint64(sizeof(qint32) + sizeof(double)));
    prices.clear();
    for (qint64 i = 0; i < count && in.ok; ++i) {
        QString code;
        get(in, code);
        const double amount = in.plain<double>();
        if (in.ok)
            prices.insert(code, amount);
    }
}
void get(Reader& in, Download& d) { getAll(in, d.name, d.key, d.platform, d.size, d.path); }
void get(Reader& in, Recurrence& r) { getAll(in, r.type, r.cycleLength); }
void get(Reader& in, PricingVariation& v) { getAll(in, v.id, v.name, v.originalPrice, v.price, v.hasDiscount, v.recurrence); }
void get(Reader& in, StorefrontProduct& p)
{
    getAll(in, p.id, p.name, p.tagline, p.description, p.iconUrl, p.website, p.owned, p.currentVersion, p.downloads,
           p.defaultVariation, p.variations);
}
void get(Reader& in, StorefrontBundle& b)
{
    getAll(in, b.id, b.name, b.tagline, b.description, b.iconUrl, b.owned, b.partial, b.products, b.defaultVariation,
           b.variations);
}

} // namespace

QByteArray StorefrontSnapshot::encode(const Storefront& storefront)
{
    Writer out;
    out.plain(magic);
    out.plain(version);
    putAll(out, storefront.suggestedCurrency, storefront.enabledCurrencies, storefront.products, storefront.bundles);
    return out.bytes;
}

std::optional<Storefront> StorefrontSnapshot::decode(const QByteArray& bytes)
{
    Reader in{bytes.constData(), bytes.constData() + bytes.size()};
    if (in.plain<quint32>() != magic || in.plain<quint32>() != version || !in.ok)
        return std::nullopt;
    Storefront storefront;
    getAll(in, storefront.suggestedCurrency, storefront.enabledCurrencies, storefront.products, storefront.bundles);
    if (!in.ok || in.at != in.end)
        return std::nullopt;
    return storefront;
}

void StorefrontSnapshot::save(const SnapshotCache& cache, const Storefront& storefront)
{
    cache.saveBytes(encode(storefront), QString::fromLatin1(key), extension);
    cache.remove(QString::fromLatin1(key));
}

std::optional<Storefront> StorefrontSnapshot::load(const SnapshotCache& cache)
{
    if (const std::optional<QByteArray> bytes = cache.loadBytes(QString::fromLatin1(key), extension)) {
        if (std::optional<Storefront> storefront = decode(*bytes))
            return storefront;
    }
    return cache.load(QString::fromLatin1(key), [](const QJsonDocument& document) { return Storefront::fromJson(JsonReader(document.object())); });
}

} // namespace hub
