#include "kit/codesign/MappedFile.h"

#include "kit/codesign/CodeSignatureFault.h"

namespace hub {

MappedFile::MappedFile(const QString& path, int32_t status) : file_(path)
{
    if (!file_.open(QIODevice::ReadOnly))
        CodeSignatureFault::raise(status, QStringLiteral("cannot read ") + path);
    size_ = size_t(file_.size());
    if (size_ == 0)
        return;
    data_ = file_.map(0, file_.size());
    if (!data_)
        CodeSignatureFault::raise(status, QStringLiteral("cannot map ") + path);
}

MappedFile::~MappedFile()
{
    if (data_)
        file_.unmap(const_cast<unsigned char*>(data_));
}

} // namespace hub
