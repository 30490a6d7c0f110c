// What every match finder of the encoder shares: the window, the longest
// match, what a match and the next copy are, and the byte comparison.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace droven::detail {

inline constexpr std::size_t kWindow = 8192;
inline constexpr std::size_t kMaxMatch = 256;

struct Match {
  std::size_t length = 0;    // 0 when nothing of 2 bytes or more was found
  std::size_t distance = 0;  // 1..kWindow
};

// True when the encoder writes a copy for this match rather than a literal: a
// copy of two bytes reaches only 256 bytes back.
inline bool IsCopy(const Match& match) {
  return match.length >= 3 || (match.length == 2 && match.distance <= 256);
}

// The first position from a given one on whose match becomes a copy, with that
// match; the module's end when there is none.
struct NextCopy {
  std::size_t position = 0;
  Match match;
};

// Eight bytes in the host's order: for comparing bytes, not for reading numbers.
[[gnu::always_inline]] inline std::uint64_t Load64(const std::uint8_t* at) {
  std::uint64_t v;
  std::memcpy(&v, at, sizeof v);
  return v;
}

// The index of the first byte that differs among a[k..k + 8) and b[k..k + 8),
// whose XOR is `diff` (not 0).
[[gnu::always_inline]] inline std::size_t FirstDifferent(const std::uint8_t* a,
                                                         const std::uint8_t* b, std::size_t k,
                                                         std::uint64_t diff) {
  if constexpr (std::endian::native == std::endian::little) {
    return k + static_cast<std::size_t>(std::countr_zero(diff) / 8);
  } else {
    while (a[k] == b[k]) ++k;
    return k;
  }
}

// Number of equal bytes of a[from..] and b[from..], up to `limit` in total.
// b must have `limit` readable bytes; a lies before b in the same buffer.
// Inline: it is the inner loop of every finder's walk.
[[gnu::always_inline]] inline std::size_t CommonLength(const std::uint8_t* a, const std::uint8_t* b,
                                                       std::size_t from, std::size_t limit) {
  std::size_t k = from;
  for (; k + 8 <= limit; k += 8) {
    const std::uint64_t diff = Load64(a + k) ^ Load64(b + k);
    if (diff != 0) return FirstDifferent(a, b, k, diff);
  }
  while (k < limit && a[k] == b[k]) ++k;
  return k;
}

// CommonLength for comparisons that mostly run long, through runs and
// periods: past the first eight bytes, 32 at a time. Eight at a time, such a
// comparison's speed moved by a fifth with where the loop happened to lie in
// the code.
[[gnu::always_inline]] inline std::size_t LongCommonLength(const std::uint8_t* a,
                                                           const std::uint8_t* b, std::size_t from,
                                                           std::size_t limit) {
  std::size_t k = from;
  if (k + 8 <= limit) {
    const std::uint64_t diff = Load64(a + k) ^ Load64(b + k);
    if (diff != 0) return FirstDifferent(a, b, k, diff);
    for (k += 8; k + 32 <= limit; k += 32) {
      const std::uint64_t d0 = Load64(a + k) ^ Load64(b + k);
      const std::uint64_t d1 = Load64(a + k + 8) ^ Load64(b + k + 8);
      const std::uint64_t d2 = Load64(a + k + 16) ^ Load64(b + k + 16);
      const std::uint64_t d3 = Load64(a + k + 24) ^ Load64(b + k + 24);
      if ((d0 | d1 | d2 | d3) != 0) {
        if (d0 != 0) return FirstDifferent(a, b, k, d0);
        if (d1 != 0) return FirstDifferent(a, b, k + 8, d1);
        if (d2 != 0) return FirstDifferent(a, b, k + 16, d2);
        return FirstDifferent(a, b, k + 24, d3);
      }
    }
  }
  return CommonLength(a, b, k, limit);
}

}  // namespace droven::detail
