// The few file operations of the library and the tool. Everything else works in
// memory; only this unit knows the platform's file API.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "codec.h"

namespace droven {

// Length of a readable regular file, or kSourceUnreadable.
Result FileLength(const std::filesystem::path& path, std::uint64_t& length);

// Reads the file from `offset` to its end. kOffsetOutside when the offset lies
// past the end; kSourceUnreadable when the file cannot be opened or read.
Result ReadFrom(const std::filesystem::path& path, std::uint64_t offset,
                std::vector<std::uint8_t>& data);

// Writes `data` into a temporary file beside `path` and then moves it over
// `path`, so the destination changes only when everything has been written.
Result WriteReplacing(const std::filesystem::path& path, std::span<const std::uint8_t> data);

}  // namespace droven
