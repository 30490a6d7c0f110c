// The compressor exactly as the format's author describes it: at every position
// every candidate of the window is compared byte by byte. Slow and obviously
// right; the library's output must equal it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace droven::test {

std::vector<std::uint8_t> ReferenceCompress(std::span<const std::uint8_t> data, bool moduleMode);

}  // namespace droven::test
