// Hostile streams for the decompressor alone, nothing else per input, so that a
// run covers many millions of them. The first byte chooses plain or module mode.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "codec.h"

namespace {

// Small enough that a stream of copies cannot make one input expensive.
constexpr std::size_t kOutputLimit = std::size_t{1} << 16;

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size == 0) return 0;
  const droven::Mode mode = (bytes[0] & 1) ? droven::Mode::Module : droven::Mode::Plain;
  const std::span<const std::uint8_t> stream(bytes + 1, size - 1);

  const droven::DecompressResult result = droven::Decompress(stream, mode, kOutputLimit);
  Require(result.data.size() <= kOutputLimit);
  Require(result.consumed <= stream.size());
  Require(result.status >= droven::kOk && result.status <= droven::kOutputLimit);
  Require(result.status != droven::kNoMemory && result.status != droven::kModuleTooLong);
  return 0;
}
