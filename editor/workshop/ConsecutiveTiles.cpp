#include "workshop/ConsecutiveTiles.h"

#include <cctype>

namespace kerrow {

std::optional<std::vector<TilePlacement>> ConsecutiveTiles(std::int64_t offset, std::int32_t width,
                                                           std::int32_t height, TileOrder order,
                                                           std::int32_t blockWidth,
                                                           std::int32_t blockHeight) {
  constexpr std::int64_t kTileBytes = 32;
  if (width < 1 || height < 1) return std::nullopt;
  if (order == TileOrder::Rows) {
    blockWidth = width;
    blockHeight = 1;
  }
  if (blockWidth < 1 || blockHeight < 1 || width % blockWidth != 0 || height % blockHeight != 0)
    return std::nullopt;
  std::vector<TilePlacement> tiles;
  tiles.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (std::int32_t by = 0; by < height; by += blockHeight) {
    for (std::int32_t bx = 0; bx < width; bx += blockWidth) {
      if (order == TileOrder::Rows) {
        for (std::int32_t x = 0; x < width; ++x)
          tiles.push_back({x, by, offset + kTileBytes * static_cast<std::int64_t>(tiles.size())});
        continue;
      }
      for (std::int32_t x = 0; x < blockWidth; ++x)
        for (std::int32_t y = 0; y < blockHeight; ++y)
          tiles.push_back(
              {bx + x, by + y, offset + kTileBytes * static_cast<std::int64_t>(tiles.size())});
    }
  }
  return tiles;
}

std::optional<std::pair<std::int32_t, std::int32_t>> ParseTileSize(const std::string& text) {
  std::int64_t numbers[2] = {0, 0};
  int which = 0;
  bool digits = false;
  for (const char c : text) {
    if (std::isdigit(static_cast<unsigned char>(c))) {
      numbers[which] = numbers[which] * 10 + (c - '0');
      if (numbers[which] > 0xFFFF) return std::nullopt;
      digits = true;
    } else if ((c == 'x' || c == 'X' || c == '*') && which == 0 && digits) {
      which = 1;
      digits = false;
    } else if (c != ' ') {
      return std::nullopt;
    }
  }
  if (which != 1 || !digits || numbers[0] < 1 || numbers[1] < 1) return std::nullopt;
  return std::pair{static_cast<std::int32_t>(numbers[0]), static_cast<std::int32_t>(numbers[1])};
}

}  // namespace kerrow
