// The exported buffer functions on the same inputs as the codec: they must agree
// with it, refuse what does not fit, and never write past the caller's buffer.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "codec.h"
#include "droven/droven.h"
#include "hostile_decode.h"

namespace droven::fuzz {

inline constexpr std::uint8_t kGuardByte = 0xA5;
inline constexpr std::size_t kGuardSize = 32;

inline int ModuleArgument(Mode mode) { return mode == Mode::Module ? 1 : 0; }

// Runs `call` on a buffer of `capacity` bytes plus a guard; aborts if anything
// past `written` (everything when the call failed) changed. The buffers are
// reused and compared with memset/memcmp, so that the check costs little per input.
template <typename Call>
std::vector<std::uint8_t> IntoGuardedBuffer(std::size_t capacity, int& status, Call call) {
  static std::vector<std::uint8_t> buffer, pattern;
  if (buffer.size() < capacity + kGuardSize) {
    buffer.resize(capacity + kGuardSize);
    pattern.assign(capacity + kGuardSize, kGuardByte);
  }
  std::memset(buffer.data(), kGuardByte, capacity + kGuardSize);
  std::size_t written = 0;
  status = call(buffer.data(), capacity, &written);
  if (status != DROVEN_OK) Require(written == 0 || status == DROVEN_DESTINATION_TOO_SMALL);
  const std::size_t kept = status == DROVEN_OK ? written : 0;
  Require(kept <= capacity);
  Require(std::memcmp(buffer.data() + kept, pattern.data(), capacity + kGuardSize - kept) == 0);
  return std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(kept));
}

// droven_decompress on `stream` with `capacity` must give what the codec gave
// with that output bound (its bound becoming "destination too small").
inline void CheckBufferDecompress(std::span<const std::uint8_t> stream, Mode mode,
                                  std::size_t capacity, const DecompressResult& expected) {
  int status = 0;
  const auto out = IntoGuardedBuffer(capacity, status, [&](void* dst, std::size_t cap, std::size_t* n) {
    return droven_decompress(stream.data(), stream.size(), dst, cap, n, ModuleArgument(mode));
  });
  const int wanted = expected.status == kOutputLimit ? DROVEN_DESTINATION_TOO_SMALL : expected.status;
  Require(status == wanted);
  if (status == DROVEN_OK) Require(std::ranges::equal(out, expected.data));
}

}  // namespace droven::fuzz
