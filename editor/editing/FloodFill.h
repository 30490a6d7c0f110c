// The Paint bucket's fill on the pixel grid.
#pragma once

#include <cstdint>
#include <vector>

#include "editing/Tools.h"
#include "editing/ToolOptions.h"
#include "graphics/PixelGrid.h"

namespace kerrow {

// Pixels x0 to x1 (both included) of row y.
struct PixelSpan {
  std::int32_t y;
  std::int32_t x0;
  std::int32_t x1;
};

// Gives `index` to the 4-connected region of pixels that hold the seed's index,
// within the sprite's own tiles (`tileMap` value 1) and, for FillScope::WithinTile,
// within the seed's tile. Returns the spans written, each once; nothing when the
// seed is not editable or already holds `index`. Time and memory follow the
// region, not the grid.
std::vector<PixelSpan> FloodFill(PixelGrid& pixels, const PixelGrid& tileMap, SpritePoint seed,
                                 std::uint8_t index, FillScope scope);

}  // namespace kerrow
