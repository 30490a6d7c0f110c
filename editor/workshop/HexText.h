// How the workshop writes ROM offsets and checksum words in its messages.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace kerrow {

// An offset as "0x1F0".
inline std::string Hex(std::int64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<long long>(value));
  return text;
}

// A checksum word as "DBD4".
inline std::string Word(std::uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", value);
  return text;
}

}  // namespace kerrow
