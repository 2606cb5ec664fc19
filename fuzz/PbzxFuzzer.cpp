// A pbzx payload stream (chunks of xz or stored bytes) read to its end as a cpio archive.
#include "fuzz/FuzzSeeds.h"
#include "fuzz/InputFile.h"

#include "tests/testkit/PackageBuilder.h"
#include "tools/common/PbzxSource.h"
#include "tools/common/SafeUnpacker.h"

#include <QFile>
#include <archive.h>

using namespace hub;
using hub::test::ArchiveEntry;
using hub::test::PackageBuilder;
using Compression = hub::test::PackageComponent::Compression;

QList<QByteArray> hub::fuzz::seeds()
{
    // A chunk stored as is has equal decoded and stored lengths.
    QByteArray stored = "pbzx";
    for (const quint64 value : {quint64(1) << 24, quint64(5), quint64(5)})
        stored += QByteArray::fromHex(QByteArray::number(value, 16).rightJustified(16, '0'));
    stored += "hello";
    return {
        PackageBuilder::payload(ArchiveEntry::bundle("Synth.vst3"), Compression::pbzx),
        PackageBuilder::payload({ArchiveEntry::file("a", "x"), ArchiveEntry::symlink("l", "a")}, Compression::pbzx),
        PackageBuilder::pbzx(QByteArray(3000, 'z')),
        stored,
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fuzz::InputFile input(QStringLiteral("Payload"));
    const std::filesystem::path file(QFile::encodeName(input.write(data, size)).toStdString());
    if (!tools::isPbzx(file))
        return 0;
    try {
        tools::ArchiveReader reader;
        archive_read_support_format_cpio(reader.handle);
        tools::openPbzx(reader.handle, file);
        struct archive_entry* entry = nullptr;
        while (archive_read_next_header(reader.handle, &entry) >= ARCHIVE_WARN) {
            const void* block = nullptr;
            size_t length = 0;
            la_int64_t offset = 0;
            while (archive_read_data_block(reader.handle, &block, &length, &offset) == ARCHIVE_OK) {
            }
        }
    } catch (const tools::ToolFailure&) {
    }
    return 0;
}
