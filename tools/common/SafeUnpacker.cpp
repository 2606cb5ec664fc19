#include "tools/common/SafeUnpacker.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace fs = std::filesystem;

namespace hub::tools {

std::string archiveError(struct archive* handle)
{
    const char* text = archive_error_string(handle);
    return text ? text : "unknown archive error";
}

ArchiveReader::ArchiveReader()
    : handle(archive_read_new())
{
    if (!handle)
        throw ToolFailure("out of memory");
}

ArchiveReader::~ArchiveReader()
{
    archive_read_free(handle);
}

void ArchiveReader::openFile(const fs::path& file)
{
    if (archive_read_open_filename(handle, file.c_str(), 1 << 16) != ARCHIVE_OK)
        throw ToolFailure(file.string() + ": " + archiveError(handle));
}

namespace {

// Restores the working folder when the unpack ends.
class WorkingFolder {
public:
    explicit WorkingFolder(const fs::path& folder)
        : previous_(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (previous_ < 0 || chdir(folder.c_str()) != 0)
            throw ToolFailure("cannot enter " + folder.string());
    }
    ~WorkingFolder()
    {
        if (fchdir(previous_) != 0) {
            // Nothing sensible to do: the tool is about to exit.
        }
        close(previous_);
    }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

private:
    int previous_;
};

struct DiskWriter {
    struct archive* handle = archive_write_disk_new();
    DiskWriter()
    {
        if (!handle)
            throw ToolFailure("out of memory");
        // Modes and times, never owners; the secure flags refuse "..", absolute
        // paths and anything that would be written through a symbolic link.
        archive_write_disk_set_options(handle,
            ARCHIVE_EXTRACT_PERM | ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_SECURE_SYMLINKS
                | ARCHIVE_EXTRACT_SECURE_NODOTDOT | ARCHIVE_EXTRACT_SECURE_NOABSOLUTEPATHS);
    }
    ~DiskWriter() { archive_write_free(handle); }
    DiskWriter(const DiskWriter&) = delete;
    DiskWriter& operator=(const DiskWriter&) = delete;
};

std::string describe(const char* path)
{
    return path ? std::string(path) : std::string("(unnamed entry)");
}

} // namespace

SafeUnpacker::SafeUnpacker(WriteBudget& budget, Rules rules)
    : budget_(budget)
    , rules_(rules)
{
}

SafeUnpacker::Outcome SafeUnpacker::unpack(struct archive* reader, const fs::path& dest)
{
    fs::create_directories(dest);
    const fs::path folder = fs::absolute(dest);
    const Outcome outcome = unpackInside(reader, folder);
    // Links that are harmless one by one can still chain their way out.
    if (rules_.refuseOutwardLinks) {
        if (const fs::path link = findOutwardLink(folder); !link.empty())
            throw ToolFailure("refusing " + link.string() + ": it links outside the destination");
    }
    return outcome;
}

SafeUnpacker::Outcome SafeUnpacker::unpackInside(struct archive* reader, const fs::path& dest)
{
    WorkingFolder inside(dest);
    DiskWriter writer;
    Outcome outcome = Outcome::complete;

    struct archive_entry* entry = nullptr;
    for (;;) {
        const int status = archive_read_next_header(reader, &entry);
        if (status == ARCHIVE_EOF)
            break;
        if (status < ARCHIVE_WARN)
            throw ToolFailure(archiveError(reader));

        const char* path = archive_entry_pathname(entry);
        if (!path || !isValidUtf8(path))
            throw ToolFailure("refusing an entry whose name is not UTF-8");
        if (namesRoot(path)) {
            // Payloads often begin with "." for the destination itself: a folder entry
            // there is skipped, so the destination keeps its own mode and owner.
            if (archive_entry_filetype(entry) != AE_IFDIR || archive_entry_hardlink(entry))
                throw ToolFailure("refusing " + describe(path) + ": it would replace the destination");
            continue;
        }
        if (!isSafeRelativePath(path))
            throw ToolFailure("refusing " + describe(path) + ": it leaves the destination");
        if (const char* hardlink = archive_entry_hardlink(entry)) {
            if (!isValidUtf8(hardlink) || !isSafeRelativePath(hardlink))
                throw ToolFailure("refusing " + describe(path) + ": a hard link out of the destination");
            if (fs::path(hardlink).lexically_normal() == fs::path(path).lexically_normal())
                throw ToolFailure("refusing " + describe(path) + ": a hard link to itself");
        }
        if (archive_entry_filetype(entry) == AE_IFLNK) {
            const char* target = archive_entry_symlink(entry);
            if (!target || !isValidUtf8(target))
                throw ToolFailure("refusing " + describe(path) + ": a link whose target is not UTF-8");
            if (rules_.refuseOutwardLinks && !linkStaysInside(path, target))
                throw ToolFailure("refusing " + describe(path) + ": it links outside the destination");
        }
        // Devices, fifos and sockets have no place in a bundle.
        const auto type = archive_entry_filetype(entry);
        if (type != AE_IFREG && type != AE_IFDIR && type != AE_IFLNK && !archive_entry_hardlink(entry))
            throw ToolFailure("refusing " + describe(path) + ": not a file, folder or link");
        archive_entry_set_perm(entry, writtenMode(archive_entry_perm(entry)));

        // A warning here means the entry was not written as the archive asks.
        if (archive_write_header(writer.handle, entry) != ARCHIVE_OK)
            throw ToolFailure("refusing " + describe(path) + ": " + archiveError(writer.handle));

        {
            const void* block = nullptr;
            size_t size = 0;
            la_int64_t offset = 0;
            for (;;) {
                const int read = archive_read_data_block(reader, &block, &size, &offset);
                if (read == ARCHIVE_EOF)
                    break;
                if (read < ARCHIVE_WARN)
                    throw ToolFailure(describe(path) + ": " + archiveError(reader));
                if (archive_write_data_block(writer.handle, block, size, offset) < ARCHIVE_WARN)
                    throw ToolFailure(describe(path) + ": " + archiveError(writer.handle));
                budget_.written += static_cast<std::int64_t>(size);
                if (budget_.exhausted()) {
                    outcome = Outcome::limitReached;
                    break;
                }
            }
        }
        if (archive_write_finish_entry(writer.handle) < ARCHIVE_WARN)
            throw ToolFailure(describe(path) + ": " + archiveError(writer.handle));
        if (outcome == Outcome::limitReached)
            break;
    }
    if (archive_write_close(writer.handle) < ARCHIVE_WARN)
        throw ToolFailure(archiveError(writer.handle));
    return outcome;
}

} // namespace hub::tools
