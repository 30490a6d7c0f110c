// Why a stream that the compression binding refused did not decompress. The
// binding answers only "failed"; a stream that is whole but unpacks to more
// than one decompression may produce deserves its own message, so its items
// are walked here, counting output bytes without producing any.
#pragma once

#include <cstdint>
#include <span>

namespace kerrow {

// The most one decompression produces (the library's bound).
inline constexpr std::int64_t kDecompressionBound = std::int64_t{64} << 20;

// Whether the plain stream at `offset` of `rom` reaches past `bound` output
// bytes before it ends, runs out of input or copies from before its start.
bool DecodesPastBound(std::span<const std::uint8_t> rom, std::int64_t offset,
                      std::int64_t bound = kDecompressionBound);

}  // namespace kerrow
