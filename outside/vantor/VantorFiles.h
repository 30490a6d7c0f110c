// File side of the stand-in library: whole files in, whole files out, data in
// the plain Droven stream format. Results: 0 success, -1 failure.
#pragma once

#include <cstdint>
#include <string>

namespace vantor {

std::int32_t DecompressFile(const std::string& source, const std::string& destination,
                            std::int32_t startOffset);
std::int32_t CompressFile(const std::string& source, const std::string& destination);

// UTF-16 to UTF-8; false for an unpaired surrogate.
bool Utf16ToUtf8(const char16_t* units, std::size_t count, std::string& out);

}  // namespace vantor
