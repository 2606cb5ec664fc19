#include "kit/api/StorefrontSnapshot.h"

#include "kit/support/ParallelFor.h"

#include <QHash>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <type_traits>
#include <vector>

namespace hub {

namespace {

constexpr quint32 magic = 0x54565346; // "TVSF"
constexpr quint32 firstVersion = 1;
constexpr quint32 version = 2;
constexpr QStringView extension = u"bin";

// A field added to a record must be written and read here too (and the version raised).
static_assert(sizeof(Download) == 96 && sizeof(Recurrence) == 56 && sizeof(PricingVariation) == 128
                  && sizeof(StorefrontProduct) == 408 && sizeof(StorefrontBundle) == 336 && sizeof(Storefront) == 104,
              "a storefront record changed: update StorefrontSnapshot and its version");

// Plain values in host byte order (the file never leaves this machine).
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

// The current form. Each record (the storefront's own fields, a product, a bundle with its
// products) begins with a block of all its texts, each followed by a 0 unit; a text field is
// its offset and length in UTF-16 units in that block (length -1 for a null text). Read back,
// the block is one allocation that all the record's texts share, not one per text. The price
// maps are kept once, with the storefront's own fields, and named by their index. A list of
// records gives the size of each before them.
struct Prices {
    QList<PriceMap> maps;
    QHash<QByteArray, qint32> index; // by the map's bytes
};

struct RecordWriter {
    Prices& prices;
    Writer fields{};
    QString texts{};
};

// Reads one record of the current form: `texts` is its block.
struct Record {
    Reader& in;
    const QList<PriceMap>& maps;
    QString texts{};

    template <typename T>
    T plain() { return in.plain<T>(); }
    qint64 count(qint64 itemBytes) { return in.count(itemBytes); }
};

Reader& raw(Reader& in) { return in; }
Reader& raw(Record& record) { return record.in; }

void put(RecordWriter& out, const QString& text)
{
    out.fields.plain(qint32(text.isNull() ? 0 : out.texts.size()));
    out.fields.plain(qint32(text.isNull() ? -1 : text.size()));
    if (!text.isNull())
        out.texts.append(text).append(QChar(0));
}
void put(RecordWriter& out, bool flag) { out.fields.plain(flag); }
void put(RecordWriter& out, qint64 number) { out.fields.plain(number); }
void put(RecordWriter& out, Platform platform) { out.fields.plain(qint32(platform)); }
void put(RecordWriter& out, const PriceMap& prices)
{
    Writer key;
    for (auto it = prices.cbegin(); it != prices.cend(); ++it) {
        key.plain(qint32(it.key().size()));
        key.bytes.append(reinterpret_cast<const char*>(it.key().constData()), it.key().size() * qsizetype(sizeof(QChar)));
        key.plain(it.value());
    }
    qint32 index = out.prices.index.value(key.bytes, -1);
    if (index < 0) {
        index = qint32(out.prices.maps.size());
        out.prices.index.insert(key.bytes, index);
        out.prices.maps.append(prices);
    }
    out.fields.plain(index);
}
void put(RecordWriter& out, const Download& d);
void put(RecordWriter& out, const Recurrence& r);
void put(RecordWriter& out, const PricingVariation& v);
void put(RecordWriter& out, const StorefrontProduct& p);
void put(RecordWriter& out, const StorefrontBundle& b);

template <typename T>
void put(RecordWriter& out, const std::optional<T>& value)
{
    out.fields.plain(value.has_value());
    if (value)
        put(out, *value);
}

template <typename T>
void put(RecordWriter& out, const QList<T>& values)
{
    out.fields.plain(qint64(values.size()));
    for (const T& value : values)
        put(out, value);
}

template <typename... T>
void putAll(RecordWriter& out, const T&... values)
{
    (put(out, values), ...);
}

void put(RecordWriter& out, const Download& d) { putAll(out, d.name, d.key, d.platform, d.size, d.path); }
void put(RecordWriter& out, const Recurrence& r) { putAll(out, r.type, r.cycleLength); }
void put(RecordWriter& out, const PricingVariation& v) { putAll(out, v.id, v.name, v.originalPrice, v.price, v.hasDiscount, v.recurrence); }
void put(RecordWriter& out, const StorefrontProduct& p)
{
    putAll(out, p.id, p.name, p.tagline, p.description, p.iconUrl, p.website, p.owned, p.currentVersion, p.downloads,
           p.defaultVariation, p.variations);
}
void put(RecordWriter& out, const StorefrontBundle& b)
{
    putAll(out, b.id, b.name, b.tagline, b.description, b.iconUrl, b.owned, b.partial, b.products, b.defaultVariation,
           b.variations);
}

// The block (in Latin-1 when it can be: half the bytes to read), then the fields.
void append(Writer& file, const RecordWriter& record)
{
    const QString& texts = record.texts;
    const bool latin1 = std::all_of(texts.cbegin(), texts.cend(), [](QChar c) { return c.unicode() < 0x100; });
    file.plain(qint64(texts.size()));
    file.plain(latin1);
    if (latin1)
        file.bytes.append(texts.toLatin1());
    else
        file.bytes.append(reinterpret_cast<const char*>(texts.constData()), texts.size() * qsizetype(sizeof(QChar)));
    file.bytes.append(record.fields.bytes);
}

// A list of records: their count, the size of each in bytes, then the records, so that a
// reader can find any record without reading those before it.
template <typename T>
void putRecords(Writer& file, Prices& prices, const QList<T>& values)
{
    Writer sizes;
    Writer records;
    for (const T& value : values) {
        RecordWriter record{prices};
        put(record, value);
        const qsizetype before = records.bytes.size();
        append(records, record);
        sizes.plain(qint64(records.bytes.size() - before));
    }
    file.plain(qint64(values.size()));
    file.bytes.append(sizes.bytes).append(records.bytes);
}

void get(Record& record, QString& text)
{
    const qint32 offset = record.plain<qint32>();
    const qint32 length = record.plain<qint32>();
    text = QString();
    if (!record.in.ok || (length == -1 && offset == 0))
        return;
    if (offset < 0 || length < 0 || qint64(offset) + length >= record.texts.size() || record.texts.at(offset + length) != QChar(0)) {
        record.in.ok = false;
        return;
    }
    // A slice of the block: it holds the block, and detaches from it like any shared text when changed.
    QString::DataPointer slice = record.texts.data_ptr();
    slice.ptr += offset;
    slice.size = length;
    text = QString(std::move(slice));
}
void get(Record& record, PriceMap& prices)
{
    const qint32 index = record.plain<qint32>();
    if (index < 0 || index >= record.maps.size())
        record.in.ok = false;
    prices = record.in.ok ? record.maps.at(index) : PriceMap();
}

// The first form: a text is its length in UTF-16 units (-1 for a null text) and its units,
// in place; a price map its entries.
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
    text = QString(reinterpret_cast<const QChar*>(in.at), length);
    in.at += qsizetype(length) * qsizetype(sizeof(QChar));
}
// A price map in place: the count of entries, then each currency code and amount.
template <typename In>
void getEntries(In& in, PriceMap& prices, qint64 leastTextBytes)
{
    const qint64 count = in.count(leastTextBytes + qint64(sizeof(double)));
    prices.clear();
    for (qint64 i = 0; i < count && raw(in).ok; ++i) {
        QString code;
        get(in, code);
        const double amount = in.template plain<double>();
        if (raw(in).ok)
            prices.insert(code, amount);
    }
}
void get(Reader& in, PriceMap& prices) { getEntries(in, prices, qint64(sizeof(qint32))); }

// The records are the same in both forms.
template <typename In>
void get(In& in, bool& flag)
{
    const quint8 byte = in.template plain<quint8>();
    if (byte > 1)
        raw(in).ok = false;
    flag = byte == 1;
}
template <typename In>
void get(In& in, qint64& number) { number = in.template plain<qint64>(); }
template <typename In>
void get(In& in, Platform& platform)
{
    const qint32 value = in.template plain<qint32>();
    if (value < qint32(Platform::universal) || value > qint32(Platform::unknown))
        raw(in).ok = false;
    platform = raw(in).ok ? Platform(value) : Platform::unknown;
}

template <typename In, typename T>
void get(In& in, std::optional<T>& value)
{
    bool present = false;
    get(in, present);
    value.reset();
    if (present && raw(in).ok)
        get(in, value.emplace());
}

template <typename T, typename In>
qint64 leastBytes();

template <typename In, typename T>
void get(In& in, QList<T>& values)
{
    const qint64 count = in.count(leastBytes<T, In>());
    values.clear();
    values.reserve(count);
    for (qint64 i = 0; i < count && raw(in).ok; ++i)
        get(in, values.emplace_back());
}

template <typename In, typename... T>
void getAll(In& in, T&... values)
{
    (get(in, values), ...);
}

template <typename In>
void get(In& in, Download& d) { getAll(in, d.name, d.key, d.platform, d.size, d.path); }
template <typename In>
void get(In& in, Recurrence& r) { getAll(in, r.type, r.cycleLength); }
template <typename In>
void get(In& in, PricingVariation& v) { getAll(in, v.id, v.name, v.originalPrice, v.price, v.hasDiscount, v.recurrence); }
template <typename In>
void get(In& in, StorefrontProduct& p)
{
    getAll(in, p.id, p.name, p.tagline, p.description, p.iconUrl, p.website, p.owned, p.currentVersion, p.downloads,
           p.defaultVariation, p.variations);
}
template <typename In>
void get(In& in, StorefrontBundle& b)
{
    getAll(in, b.id, b.name, b.tagline, b.description, b.iconUrl, b.owned, b.partial, b.products, b.defaultVariation,
           b.variations);
}

// The fewest bytes one T takes in the form that `In` reads: what reading one from zeros
// takes (every text empty, every count 0, every optional absent). A count is checked
// against it, so that no list is made longer than the bytes left could fill.
template <typename T, typename In>
qint64 leastBytes()
{
    static const qint64 least = [] {
        static constexpr char zeros[1024] = {};
        Reader in{zeros, zeros + sizeof zeros};
        T value{};
        if constexpr (std::is_same_v<In, Record>) {
            const QList<PriceMap> maps{PriceMap()};
            Record record{in, maps, QString(1, QChar(0))};
            get(record, value);
        } else {
            get(in, value);
        }
        Q_ASSERT(in.ok);
        return std::max<qint64>(1, in.at - zeros);
    }();
    return least;
}

void openBlock(Record& record)
{
    Reader& in = record.in;
    const qint64 units = in.plain<qint64>();
    bool latin1 = false;
    get(in, latin1);
    const qint64 unitBytes = latin1 ? 1 : qint64(sizeof(QChar));
    if (units < 0 || units > (in.end - in.at) / unitBytes)
        in.ok = false;
    if (!in.ok || units == 0)
        return;
    const char* at = in.at;
    in.at += units * unitBytes;
    record.texts = latin1 ? QString::fromLatin1(at, units) : QString(reinterpret_cast<const QChar*>(at), units);
}

// The records are read on a few threads, a run of them at a time: most of the time goes into
// making their texts and lists, and each record is read on its own.
template <typename T>
void getRecords(Reader& in, const QList<PriceMap>& maps, QList<T>& values)
{
    // A record holds at least its block's length and Latin-1 flag, and its fields.
    const qint64 leastRecord = qint64(sizeof(qint64)) + 1 + leastBytes<T, Record>();
    const qint64 count = in.count(qint64(sizeof(qint64)) + leastRecord);
    std::vector<const char*> starts;
    starts.reserve(size_t(count) + 1);
    const char* at = in.at + count * qint64(sizeof(qint64));
    for (qint64 i = 0; i < count && in.ok; ++i) {
        const qint64 size = in.plain<qint64>();
        if (size < leastRecord || size > in.end - at)
            in.ok = false;
        starts.push_back(at);
        at += in.ok ? size : 0;
    }
    starts.push_back(at);
    values.clear();
    if (!in.ok)
        return;
    values.resize(count);
    T* const into = values.data();
    constexpr qint64 run = 64;
    std::atomic<bool> ok = true;
    parallelFor(size_t((count + run - 1) / run), [&](size_t r) {
        for (qint64 i = qint64(r) * run; i < std::min(count, qint64(r + 1) * run) && ok; ++i) {
            Reader part{starts[size_t(i)], starts[size_t(i) + 1]};
            Record record{part, maps};
            openBlock(record);
            get(record, into[i]);
            if (!part.ok || part.at != part.end)
                ok = false;
        }
    });
    in.at = at;
    in.ok = ok;
}

void getCurrent(Reader& in, Storefront& storefront)
{
    QList<PriceMap> maps;
    Record head{in, maps};
    openBlock(head);
    getAll(head, storefront.suggestedCurrency, storefront.enabledCurrencies);
    const qint64 count = in.count(qint64(sizeof(qint64)));
    maps.reserve(count);
    for (qint64 i = 0; i < count && in.ok; ++i)
        getEntries(head, maps.emplace_back(), qint64(2 * sizeof(qint32)));
    getRecords(in, maps, storefront.products);
    getRecords(in, maps, storefront.bundles);
}

} // namespace

QByteArray StorefrontSnapshot::encode(const Storefront& storefront)
{
    // The records first, to learn the price maps that the storefront's own record holds.
    Prices prices;
    Writer records;
    putRecords(records, prices, storefront.products);
    putRecords(records, prices, storefront.bundles);

    RecordWriter head{prices};
    putAll(head, storefront.suggestedCurrency, storefront.enabledCurrencies);
    head.fields.plain(qint64(prices.maps.size()));
    for (const PriceMap& map : std::as_const(prices.maps)) {
        head.fields.plain(qint64(map.size()));
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            put(head, it.key());
            head.fields.plain(it.value());
        }
    }

    Writer out;
    out.plain(magic);
    out.plain(version);
    append(out, head);
    out.bytes.append(records.bytes);
    return out.bytes;
}

std::optional<Storefront> StorefrontSnapshot::decode(const QByteArray& bytes)
{
    Reader in{bytes.constData(), bytes.constData() + bytes.size()};
    const quint32 mark = in.plain<quint32>();
    const quint32 form = in.plain<quint32>();
    if (mark != magic || (form != version && form != firstVersion) || !in.ok)
        return std::nullopt;
    Storefront storefront;
    if (form == version)
        getCurrent(in, storefront);
    else
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
    if (const std::optional<QByteArray> bytes = cache.readBytes(QString::fromLatin1(key), extension)) {
        try {
            if (std::optional<Storefront> storefront = decode(*bytes))
                return storefront;
        } catch (const std::exception&) {
            // out of memory: a miss like any other
        }
    }
    return cache.load(QString::fromLatin1(key), [](const QJsonDocument& document) { return Storefront::fromJson(JsonReader(document.object())); });
}

} // namespace hub
