// Where consecutive tiles of the ROM go in a sprite: row by row, or column by
// column within blocks (the order the console's sprite hardware reads a
// multi-tile sprite in).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "workshop/CatalogWriter.h"
#include "workshop/TileViewerLayout.h"

namespace kerrow {

// `width` x `height` tiles of 32 bytes from `offset`. Rows: tile k at column
// k mod width, row k div width. BlockColumns: the sprite is cut into blocks of
// `blockWidth` x `blockHeight` tiles, taken left to right and then top to
// bottom, each filled top to bottom and then column after column. Empty when
// the blocks do not divide the sprite.
std::optional<std::vector<TilePlacement>> ConsecutiveTiles(std::int64_t offset, std::int32_t width,
                                                           std::int32_t height, TileOrder order,
                                                           std::int32_t blockWidth,
                                                           std::int32_t blockHeight);

// "WxH" (also "W x H", "W*H") as two positive whole numbers.
std::optional<std::pair<std::int32_t, std::int32_t>> ParseTileSize(const std::string& text);

}  // namespace kerrow
