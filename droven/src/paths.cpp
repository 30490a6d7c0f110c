#include "paths.h"

#include <string>

namespace droven {

std::optional<std::filesystem::path> PathFromUtf16(std::u16string_view units) {
  if (units.empty() || units.size() > kMaxPathUnits) return std::nullopt;
  std::u32string codes;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char32_t unit = units[i];
    if (unit == 0) return std::nullopt;
    if (unit >= 0xDC00 && unit <= 0xDFFF) return std::nullopt;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 == units.size()) return std::nullopt;
      const char32_t low = units[i + 1];
      if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
      codes.push_back(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
      ++i;
    } else {
      codes.push_back(unit);
    }
  }
#ifdef _WIN32
  return std::filesystem::path(std::wstring(units.begin(), units.end()));
#else
  std::string utf8;
  for (const char32_t code : codes) {
    if (code < 0x80) {
      utf8 += static_cast<char>(code);
    } else if (code < 0x800) {
      utf8 += static_cast<char>(0xC0 | (code >> 6));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      utf8 += static_cast<char>(0xE0 | (code >> 12));
      utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      utf8 += static_cast<char>(0xF0 | (code >> 18));
      utf8 += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return std::filesystem::path(utf8);
#endif
}

}  // namespace droven
