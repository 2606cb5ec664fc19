#include "kit/support/PropertyList.h"

#include "kit/support/PropertyListGuard.h"

#include <QDateTime>
#include <QVariantList>
#include <QVariantMap>
#include <cstdlib>
#include <memory>
#include <plist/plist.h>

namespace hub {

namespace {

constexpr qsizetype maxBytes = 64 * 1024 * 1024;
constexpr int maxDepth = 64;
// Seconds from 1970 to the property-list epoch, 2001-01-01.
constexpr qint64 plistEpoch = 978307200;

struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};

std::optional<QVariant> convert(plist_t node, int depth)
{
    if (!node || depth > maxDepth)
        return std::nullopt;
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return QVariant(value != 0);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return QVariant(static_cast<qint64>(value));
    }
    case PLIST_UID: {
        uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return QVariant(static_cast<qint64>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return QVariant(value);
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return QVariant(QString::fromUtf8(text, static_cast<qsizetype>(length)));
    }
    case PLIST_DATA: {
        char* bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        QByteArray data(bytes, static_cast<qsizetype>(length));
        std::free(bytes);
        return QVariant(data);
    }
    case PLIST_DATE: {
        int32_t seconds = 0, micros = 0;
        plist_get_date_val(node, &seconds, &micros);
        return QVariant(QDateTime::fromMSecsSinceEpoch((plistEpoch + seconds) * 1000 + micros / 1000, Qt::UTC));
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t count = plist_array_get_size(node);
        for (uint32_t i = 0; i < count; ++i) {
            auto item = convert(plist_array_get_item(node, i), depth + 1);
            if (!item)
                return std::nullopt;
            list.append(*item);
        }
        return QVariant(list);
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iter, &key, &value);
            if (!value) {
                std::free(key);
                break;
            }
            const QString name = QString::fromUtf8(key);
            std::free(key);
            auto item = convert(value, depth + 1);
            if (!item) {
                std::free(iter);
                return std::nullopt;
            }
            map.insert(name, *item);
        }
        std::free(iter);
        return QVariant(map);
    }
    case PLIST_KEY:
    case PLIST_NONE:
        break;
    }
    return std::nullopt;
}

} // namespace

std::optional<QVariant> PropertyList::parse(const QByteArray& bytes)
{
    if (bytes.isEmpty() || bytes.size() > maxBytes || !PropertyListGuard::admits(bytes, maxDepth))
        return std::nullopt;
    plist_t root = nullptr;
    plist_from_memory(bytes.constData(), static_cast<uint32_t>(bytes.size()), &root);
    std::unique_ptr<void, PlistFree> owner(root);
    return convert(root, 0);
}

} // namespace hub
