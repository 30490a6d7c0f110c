// Hostile streams for the decompressor alone, nothing else per input, so that a
// run covers many millions of them. The first byte chooses plain or module mode.
#include <cstddef>
#include <cstdint>

#include "hostile_decode.h"

namespace {

// Small enough that a stream of copies cannot make one input expensive.
constexpr std::size_t kOutputLimit = std::size_t{1} << 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size != 0) droven::fuzz::DecodeHostile(bytes, size, kOutputLimit);
  return 0;
}
