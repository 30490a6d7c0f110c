// File-to-file compression and decompression: read the source, work in memory,
// replace the destination only on success. Shared by the library's entry points
// and the command-line tool.
#pragma once

#include <cstdint>
#include <filesystem>

#include "codec.h"

namespace droven {

Result CompressFile(const std::filesystem::path& source, const std::filesystem::path& destination,
                    Mode mode);

Result DecompressFile(const std::filesystem::path& source,
                      const std::filesystem::path& destination, std::int64_t startOffset,
                      Mode mode);

// A short sentence for a result, for messages.
const char* ResultText(Result result);

}  // namespace droven
