#include "editing/SprayCan.h"

#include <random>

namespace kerrow {
namespace {

std::mt19937& Source() {
  static std::mt19937 source{std::random_device{}()};
  return source;
}

}  // namespace

std::vector<SpritePoint> SprayDots(SpritePoint centre, std::int32_t radius, std::int32_t count) {
  std::vector<SpritePoint> dots;
  if (radius < 0 || count <= 0) return dots;
  dots.reserve(static_cast<std::size_t>(count));
  std::uniform_int_distribution<std::int32_t> offset(-radius, radius);
  const std::int64_t limit = std::int64_t{radius} * radius;
  // Points of the square drawn until they fall in the disc, so every pixel of
  // the disc is equally likely; more than half the tries land.
  while (static_cast<std::int32_t>(dots.size()) < count) {
    const std::int32_t dx = offset(Source());
    const std::int32_t dy = offset(Source());
    if (std::int64_t{dx} * dx + std::int64_t{dy} * dy > limit) continue;
    dots.push_back({centre.x + dx, centre.y + dy});
  }
  return dots;
}

void SeedSprayCan(std::uint32_t seed) {
  Source().seed(seed);
}

}  // namespace kerrow
