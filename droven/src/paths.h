// Turning the UTF-16 path of a string argument into a file-system path without
// changing which file it names.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace droven {

// Longest path an entry point accepts, in UTF-16 units.
inline constexpr std::size_t kMaxPathUnits = 259;

// The path, or nothing when it is empty, longer than kMaxPathUnits, holds a NUL
// or an unpaired surrogate.
std::optional<std::filesystem::path> PathFromUtf16(std::u16string_view units);

}  // namespace droven
