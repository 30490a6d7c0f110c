#include "workshop/TileViewerLayout.h"

#include <algorithm>
#include <cctype>

namespace kerrow {

namespace {
constexpr std::int64_t kTileSize = 32;
}

TileViewerLayout Normalised(TileViewerLayout layout) {
  layout.TilesPerRow = std::clamp(layout.TilesPerRow, 1, 64);
  layout.BlockWidth = std::clamp(layout.BlockWidth, 1, 4);
  layout.BlockHeight = std::clamp(layout.BlockHeight, 1, 4);
  if (layout.Start < 0) layout.Start = 0;
  return layout;
}

std::int32_t TileViewerLayout::BlocksPerRow() const {
  return std::max(1, TilesPerRow / BlockWidth);
}

std::int32_t TileViewerLayout::VisibleColumns() const {
  return Order == TileOrder::Rows ? TilesPerRow : BlocksPerRow() * BlockWidth;
}

std::int64_t TileViewerLayout::RowBytes() const {
  if (Order == TileOrder::Rows) return std::int64_t{TilesPerRow} * kTileSize;
  return std::int64_t{BlocksPerRow()} * BlockWidth * BlockHeight * kTileSize;
}

std::optional<std::int64_t> TileViewerLayout::TileIndexAt(std::int32_t x, std::int32_t y) const {
  if (x < 0 || y < 0 || x >= VisibleColumns()) return std::nullopt;
  if (Order == TileOrder::Rows) return std::int64_t{y} * TilesPerRow + x;
  const std::int64_t block = std::int64_t{y / BlockHeight} * BlocksPerRow() + x / BlockWidth;
  const std::int64_t within = std::int64_t{x % BlockWidth} * BlockHeight + y % BlockHeight;
  return block * BlockWidth * BlockHeight + within;
}

std::optional<std::int64_t> TileViewerLayout::OffsetAt(std::int32_t x, std::int32_t y) const {
  const auto index = TileIndexAt(x, y);
  if (!index) return std::nullopt;
  return Start + *index * kTileSize;
}

std::optional<std::array<std::uint8_t, 64>> TilePixelsAt(std::span<const std::uint8_t> source,
                                                         std::int64_t offset) {
  if (offset < 0 || offset + kTileSize > static_cast<std::int64_t>(source.size()))
    return std::nullopt;
  std::array<std::uint8_t, 64> pixels{};
  const std::uint8_t* bytes = source.data() + offset;
  for (int i = 0; i < kTileSize; ++i) {
    pixels[2 * i] = bytes[i] >> 4;
    pixels[2 * i + 1] = bytes[i] & 0x0F;
  }
  return pixels;
}

std::optional<std::int64_t> ParseOffsetText(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  int base = 10;
  auto starts = [&](std::string_view prefix) {
    if (text.size() <= prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
  };
  if (starts("0x") || starts("&h")) {
    text.remove_prefix(2);
    base = 16;
  } else if (starts("$")) {
    text.remove_prefix(1);
    base = 16;
  } else if (text.size() > 1 && (text.back() == 'h' || text.back() == 'H')) {
    text.remove_suffix(1);
    base = 16;
  }
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                      : base == 16 && std::isxdigit(static_cast<unsigned char>(c))
                          ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                          : -1;
    if (digit < 0) return std::nullopt;
    value = value * base + digit;
    if (value > (std::int64_t{1} << 40)) return std::nullopt;
  }
  return value;
}

}  // namespace kerrow
