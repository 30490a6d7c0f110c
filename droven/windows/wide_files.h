// File access for the Windows entry points through the wide-character API, so a
// path reaches the file system exactly as the caller spelled it.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "codec.h"

namespace droven::windows {

// The UTF-16 path held by a string variant; nothing when it is not a string,
// is empty, longer than 259 units, holds a NUL or an unpaired surrogate.
std::optional<std::wstring> PathOf(const VARIANT& value);

// Reads the file from `offset` to its end. kSourceUnreadable when it cannot be
// opened or read, kOffsetOutside when the offset lies past its end.
droven::Result ReadWhole(const std::wstring& path, std::uint64_t offset,
                         std::vector<std::uint8_t>& data);

// Writes `data` to a temporary file beside `path` and moves it over `path`, so
// the destination changes only when everything has been written.
droven::Result WriteReplacing(const std::wstring& path, const std::vector<std::uint8_t>& data);

}  // namespace droven::windows
