// The Spray can's dots: random pixels within a radius of the pointer.
#pragma once

#include <cstdint>
#include <vector>

#include "editing/Tools.h"

namespace kerrow {

// How often the can sprays while a button is held, whether or not the pointer moves.
inline constexpr int kSprayTickMilliseconds = 40;

// `count` random pixels (repeats possible) whose distance from `centre` is at
// most `radius`, each equally likely.
std::vector<SpritePoint> SprayDots(SpritePoint centre, std::int32_t radius, std::int32_t count);

// Restarts the can's random source from `seed`, so a spray can be repeated exactly.
void SeedSprayCan(std::uint32_t seed);

}  // namespace kerrow
