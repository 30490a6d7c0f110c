// The exhaustive encoder in a unit of its own: built optimised and without
// sanitizer or coverage instrumentation, so it neither slows the fuzzer down
// nor steers it towards its own branches.
#include "reference_encoder.h"

#include "exhaustive_encoder.h"

namespace droven::fuzz {

std::vector<std::uint8_t> ReferenceEncode(std::span<const std::uint8_t> data, bool moduleMode) {
  return droven::reference::Encode(data, moduleMode);
}

}  // namespace droven::fuzz
