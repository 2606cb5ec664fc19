// Zip, cpio (plain or gzip) and xar archives unpacked into a folder under a byte budget,
// refusing links that leave it; a scratch folder per input, removed after it.
#include "fuzz/FuzzSeeds.h"
#include "fuzz/InputFile.h"

#include "kit/install/ScratchFolder.h"
#include "tests/testkit/PackageBuilder.h"
#include "tests/testkit/ZipBuilder.h"
#include "tools/common/SafeUnpacker.h"

#include <QFile>
#include <QTemporaryDir>
#include <archive.h>

using namespace hub;
using hub::test::ArchiveEntry;
using hub::test::PackageBuilder;
using hub::test::ZipBuilder;
using Compression = hub::test::PackageComponent::Compression;

namespace {

QByteArray zip(const QList<ArchiveEntry>& entries)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("seed.zip"));
    ZipBuilder(path).add(entries).finish();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

QList<QByteArray> hub::fuzz::seeds()
{
    const QList<ArchiveEntry> bundle = ArchiveEntry::bundle("Synth.vst3") << ArchiveEntry::symlink("Synth.vst3/Contents/Current", "MacOS");
    const QList<ArchiveEntry> hostile = {ArchiveEntry::directory("d"), ArchiveEntry::symlink("d/self", "."),
                                         ArchiveEntry::symlink("up", "d/self/../.."), ArchiveEntry::file("a", "x"),
                                         ArchiveEntry::file("../x", "x")};
    test::PackageComponent component;
    component.payload = bundle;
    return {
        zip(bundle),
        zip(hostile),
        PackageBuilder::payload(bundle, Compression::gzip),
        PackageBuilder::payload(hostile + QList<ArchiveEntry>{ArchiveEntry::hardlink("a", "a")}, Compression::gzip),
        PackageBuilder().add(component).bytes(),
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fuzz::InputFile input(QStringLiteral("archive"));
    static const QTemporaryDir output;
    const std::filesystem::path file(QFile::encodeName(input.write(data, size)).toStdString());
    const ScratchFolder scratch(output.path());
    const QString dest = scratch / QStringLiteral("unpacked");
    try {
        tools::ArchiveReader reader;
        archive_read_support_format_zip_seekable(reader.handle);
        archive_read_support_format_cpio(reader.handle);
        archive_read_support_format_xar(reader.handle);
        archive_read_support_filter_all(reader.handle);
        reader.openFile(file);
        tools::WriteBudget budget;
        budget.limit = 1 << 20;
        tools::SafeUnpacker(budget, {.refuseOutwardLinks = true}).unpack(reader.handle, QFile::encodeName(dest).toStdString());
    } catch (const std::exception&) {
        // Refusals and file-system errors are outcomes, not findings.
    }
    return 0;
}
