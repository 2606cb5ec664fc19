#pragma once

#include <filesystem>

struct archive;

namespace hub::tools {

// True when the file begins with the "pbzx" magic of a chunked xz payload.
bool isPbzx(const std::filesystem::path& file);

// Opens reader over the decoded stream of a pbzx file: "pbzx", a 64-bit chunk
// size, then chunks of (64-bit decoded length, 64-bit stored length, bytes), each
// an xz stream, or stored as is when both lengths are equal. Each chunk's decoder
// may use at most 128 MiB. Throws ToolFailure.
void openPbzx(struct archive* reader, const std::filesystem::path& file);

} // namespace hub::tools
