#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace hub {

// A "tavren-hub:" link read from its raw text (QUrl would lower-case the scheme and
// host). Its parts are the host, then the path's components, each percent-decoded,
// with empty ones dropped: tavren-hub://product/abc and tavren-hub:///product/abc
// both read product, abc. Query and fragment are not read.
struct DeepLink {
    enum class Kind { none, product, library, updates };

    Kind kind = Kind::none; // none: ours, but pointing nowhere
    QString productId;      // product only
    QStringList parts;

    // None when the text is not of the scheme "tavren-hub", letter case included.
    static std::optional<DeepLink> parse(const QString& text);
    bool operator==(const DeepLink&) const = default;
};

} // namespace hub
