#include "VantorFiles.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>
#include <vector>

#include "codec.h"

namespace vantor {

namespace {

constexpr std::int32_t kFailed = -1;

std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  return bytes;
}

// Replaces the destination only once the new content is complete.
bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::string temporary = path + ".partial";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
      std::remove(temporary.c_str());
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) std::remove(temporary.c_str());
  return !error;
}

}  // namespace

std::int32_t DecompressFile(const std::string& source, const std::string& destination,
                            std::int32_t startOffset) {
  auto data = ReadFile(source);
  if (!data || startOffset < 0 || static_cast<std::size_t>(startOffset) >= data->size())
    return kFailed;
  auto stream = std::span<const std::uint8_t>(*data).subspan(static_cast<std::size_t>(startOffset));
  droven::DecompressResult result = droven::Decompress(stream, droven::Mode::Plain);
  if (result.status != droven::kOk) return kFailed;
  return WriteFile(destination, result.data) ? 0 : kFailed;
}

std::int32_t CompressFile(const std::string& source, const std::string& destination) {
  auto data = ReadFile(source);
  if (!data) return kFailed;
  try {
    return WriteFile(destination, droven::Compress(*data, droven::Mode::Plain)) ? 0 : kFailed;
  } catch (const std::exception&) {
    return kFailed;
  }
}

bool Utf16ToUtf8(const char16_t* units, std::size_t count, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < count; ++i) {
    char32_t code = units[i];
    if (code >= 0xD800 && code <= 0xDBFF) {
      if (i + 1 >= count || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF) return false;
      code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00);
    } else if (code >= 0xDC00 && code <= 0xDFFF) {
      return false;
    }
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return true;
}

}  // namespace vantor
