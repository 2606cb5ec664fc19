#pragma once

#include <QFile>
#include <QString>
#include <filesystem>
#include <optional>

namespace hub {

struct SymbolicLink {
    // The text of the link at a path, as written; nothing when it is not a readable link.
    static std::optional<QString> text(const QString& path)
    {
        std::error_code error;
        const auto target = std::filesystem::read_symlink(QFile::encodeName(path).toStdString(), error);
        if (error)
            return std::nullopt;
        return QFile::decodeName(QByteArray::fromStdString(target.string()));
    }
};

} // namespace hub
