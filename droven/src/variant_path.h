// The file-system path held by a string variant argument, or nothing when the
// argument is not a usable path (see PathFromUtf16).
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "droven/droven.h"
#include "paths.h"

namespace droven {

inline std::optional<std::filesystem::path> PathFromVariant(const VARIANT& value) {
  if (value.vt != VT_BSTR || value.bstrVal == nullptr) return std::nullopt;
  // BSTR is wchar_t* on Windows and char16_t* elsewhere; both hold UTF-16 units.
  return PathFromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(value.bstrVal),
                                           SysStringLen(value.bstrVal)));
}

}  // namespace droven
