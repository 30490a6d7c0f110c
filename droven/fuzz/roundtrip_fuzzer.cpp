// Compress -> decompress must give back the input exactly, and on short inputs
// the stream must equal the exhaustive encoder's byte for byte.
//
// First byte: bit 0 module mode; bit 1 stretches the input past the 8 KiB
// window (the rest repeated with small edits), to reach the far distances;
// bit 2 starts the match finder at the tree instead of the quick chains.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "buffer_checks.h"
#include "codec.h"
#include "reference_encoder.h"

namespace {

// The exhaustive search costs up to size x window per input; beyond this it
// would dominate the run.
constexpr std::size_t kReferenceLimit = 2048;
constexpr std::size_t kStretchedSize = 2 * 8192 + 300;

void Require(bool condition) {
  if (!condition) std::abort();
}

// Copies of the seed separated by an edit counter, so matches land at many
// distances around the window's edge without the input being one long run.
std::vector<std::uint8_t> Stretch(std::span<const std::uint8_t> seed) {
  std::vector<std::uint8_t> data;
  data.reserve(kStretchedSize);
  std::uint8_t counter = 0;
  while (data.size() < kStretchedSize) {
    data.insert(data.end(), seed.begin(), seed.end());
    data.push_back(counter++);
  }
  data.resize(kStretchedSize);
  return data;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size < 2) return 0;
  const droven::Mode mode = (bytes[0] & 1) ? droven::Mode::Module : droven::Mode::Plain;
  std::span<const std::uint8_t> rest(bytes + 1, size - 1);

  std::vector<std::uint8_t> data;
  if (bytes[0] & 2)
    data = Stretch(rest);
  else
    data.assign(rest.begin(), rest.end());
  if (mode == droven::Mode::Module && data.size() > droven::kModuleModeLimit)
    data.resize(droven::kModuleModeLimit);

  const std::vector<std::uint8_t> stream = (bytes[0] & 4)
                                               ? droven::detail::CompressWithoutQuickChains(data, mode)
                                               : droven::Compress(data, mode);
  const droven::DecompressResult back = droven::Decompress(stream, mode);
  Require(back.status == droven::kOk);
  Require(std::ranges::equal(back.data, data));
  Require(back.consumed == stream.size());

  if (data.size() <= kReferenceLimit)
    Require(stream == droven::fuzz::ReferenceEncode(data, mode == droven::Mode::Module));

  // The buffer functions write the same stream into exactly its room (the
  // bound holds it) and refuse one byte less, untouched. Compressing costs most
  // of each run, so the refusal is tried on the short inputs only.
  using droven::fuzz::IntoGuardedBuffer;
  const int module = droven::fuzz::ModuleArgument(mode);
  Require(droven_compress_bound(data.size(), module) >= stream.size());
  int status = 0;
  const auto packed = IntoGuardedBuffer(stream.size(), status, [&](void* dst, std::size_t cap,
                                                                   std::size_t* n) {
    return droven_compress(data.data(), data.size(), dst, cap, n, module);
  });
  Require(status == DROVEN_OK && packed == stream);
  if (data.size() <= kReferenceLimit) {
    IntoGuardedBuffer(stream.size() - 1, status, [&](void* dst, std::size_t cap, std::size_t* n) {
      const int r = droven_compress(data.data(), data.size(), dst, cap, n, module);
      Require(*n == stream.size());
      return r;
    });
    Require(status == DROVEN_DESTINATION_TOO_SMALL);
  }
  droven::fuzz::CheckBufferDecompress(stream, mode, data.size(), back);
  if (!data.empty())
    droven::fuzz::CheckBufferDecompress(stream, mode, data.size() - 1,
                                        droven::Decompress(stream, mode, data.size() - 1));
  return 0;
}
