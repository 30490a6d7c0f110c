// Feeds arbitrary bytes to the decompressor. The first byte chooses plain or
// module mode; the output bound is kept small so hostile streams stay cheap.
#include <cstddef>
#include <cstdint>

#include "buffer_checks.h"
#include "hostile_decode.h"

namespace {

constexpr std::size_t kOutputLimit = std::size_t{1} << 18;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using droven::fuzz::Require;
  if (size == 0) return 0;
  const auto [mode, result] = droven::fuzz::DecodeHostile(bytes, size, kOutputLimit);
  // The buffer function, bounded by the same capacity, must agree.
  droven::fuzz::CheckBufferDecompress({bytes + 1, size - 1}, mode, kOutputLimit, result);

  // A hostile module may decode to more than its header's total; such output
  // cannot be written in module mode again.
  const bool encodable =
      mode == droven::Mode::Plain || result.data.size() <= droven::kModuleModeLimit;
  if (result.status == droven::kOk && encodable) {
    // Whatever decoded must survive our own encoder and come back unchanged.
    const auto again = droven::Compress(result.data, mode);
    const droven::DecompressResult back = droven::Decompress(again, mode, kOutputLimit);
    Require(back.status == droven::kOk && back.data == result.data);
  }
  return 0;
}
