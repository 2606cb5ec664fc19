#pragma once

#include <QWidget>
#include <optional>

namespace hub {

// A page's title (30 pixels, bold) and optional subtitle, on the leading edge of
// the full width.
class PageHeader : public QWidget {
    Q_OBJECT

public:
    PageHeader(const QString& title, const std::optional<QString>& subtitle, QWidget* parent = nullptr);
};

} // namespace hub
