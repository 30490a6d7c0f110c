#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace droven::fuzz {

std::vector<std::uint8_t> ReferenceEncode(std::span<const std::uint8_t> data, bool moduleMode);

}  // namespace droven::fuzz
