// The decode every hostile-stream fuzzer starts with, and the checks any
// decode must pass however broken its stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "codec.h"

namespace droven::fuzz {

inline void Require(bool condition) {
  if (!condition) std::abort();
}

struct HostileDecode {
  Mode mode;
  DecompressResult result;
};

// The first byte chooses plain or module mode, the rest is the stream; the
// output is bounded by `outputLimit`. Aborts if the result breaks a bound or
// reports a failure that input alone cannot cause. Needs size > 0.
inline HostileDecode DecodeHostile(const std::uint8_t* bytes, std::size_t size,
                                   std::size_t outputLimit) {
  const Mode mode = (bytes[0] & 1) ? Mode::Module : Mode::Plain;
  const std::span<const std::uint8_t> stream(bytes + 1, size - 1);
  HostileDecode decoded{mode, Decompress(stream, mode, outputLimit)};
  const DecompressResult& result = decoded.result;
  Require(result.data.size() <= outputLimit);
  Require(result.consumed <= stream.size());
  Require(result.status >= kOk && result.status <= kOutputLimit);
  Require(result.status != kNoMemory && result.status != kModuleTooLong);
  return decoded;
}

}  // namespace droven::fuzz
