// Hostile streams for the decompressor alone (the codec and the buffer function), so that a
// run covers many millions of them. The first byte chooses plain or module mode.
#include <cstddef>
#include <cstdint>

#include "buffer_checks.h"
#include "hostile_decode.h"

namespace {

// Small enough that a stream of copies cannot make one input expensive.
constexpr std::size_t kOutputLimit = std::size_t{1} << 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size == 0) return 0;
  const auto [mode, result] = droven::fuzz::DecodeHostile(bytes, size, kOutputLimit);
  droven::fuzz::CheckBufferDecompress({bytes + 1, size - 1}, mode, kOutputLimit, result);
  return 0;
}
