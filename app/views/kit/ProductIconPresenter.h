#pragma once

#include <QString>
#include <QUrl>
#include <optional>

namespace hub {

class HostPolicy;

// The rules of a product icon, apart from its drawing.
struct ProductIconPresenter {
    struct Shadow {
        double opacity;
        double radius;
        double offsetY;
        bool operator==(const Shadow&) const = default;
    };

    // The address to load: a parsable one on an allowed image host; else nothing,
    // and the monogram stays.
    static std::optional<QUrl> imageUrl(const std::optional<QString>& url, const HostPolicy& policy);
    // Twice the side, never below 128.
    static int maxPixels(double size) { return std::max(128, int(2 * size)); }
    static double cornerRadius(double size) { return size * 0.225; }
    static Shadow shadow(double size);
    // The monogram: the name's first character as it is.
    static QString monogram(const QString& name);
};

} // namespace hub
