#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace hub::fuzz {

// One scratch file per fuzzing process, rewritten with each input, for readers that take a path.
class InputFile {
public:
    explicit InputFile(const QString& name) : path_(dir_.filePath(name))
    {
        if (!dir_.isValid())
            std::abort();
    }

    const QString& write(const uint8_t* data, size_t size) const
    {
        QFile file(path_);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            std::abort();
        return path_;
    }

private:
    QTemporaryDir dir_;
    QString path_;
};

} // namespace hub::fuzz
