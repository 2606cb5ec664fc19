#pragma once

#include <QHashFunctions>
#include <QList>
#include <QMap>
#include <optional>
#include <type_traits>

// Member-wise hashing for value records: every field in declaration order; an
// optional feeds whether it is present and then its value, a list its count and
// then its elements, a map its entries in key order.
namespace hub::hashing {

template <typename T>
size_t feed(size_t seed, const T& value);
template <typename T>
size_t feed(size_t seed, const std::optional<T>& value);
template <typename T>
size_t feed(size_t seed, const QList<T>& values);
template <typename K, typename V>
size_t feed(size_t seed, const QMap<K, V>& map);

inline size_t feed(size_t seed, double value)
{
    return QtPrivate::QHashCombine()(seed, value == 0.0 ? 0.0 : value); // -0 equals 0, so hashes alike
}

template <typename T>
size_t feed(size_t seed, const T& value)
{
    if constexpr (std::is_enum_v<T>)
        return QtPrivate::QHashCombine()(seed, static_cast<std::underlying_type_t<T>>(value));
    else
        return QtPrivate::QHashCombine()(seed, value);
}

template <typename T>
size_t feed(size_t seed, const std::optional<T>& value)
{
    seed = QtPrivate::QHashCombine()(seed, value.has_value());
    return value ? feed(seed, *value) : seed;
}

template <typename T>
size_t feed(size_t seed, const QList<T>& values)
{
    seed = QtPrivate::QHashCombine()(seed, values.size());
    for (const T& value : values)
        seed = feed(seed, value);
    return seed;
}

template <typename K, typename V>
size_t feed(size_t seed, const QMap<K, V>& map)
{
    seed = QtPrivate::QHashCombine()(seed, map.size());
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        seed = feed(feed(seed, it.key()), it.value());
    return seed;
}

template <typename... T>
size_t fields(size_t seed, const T&... values)
{
    ((seed = feed(seed, values)), ...);
    return seed;
}

} // namespace hub::hashing
