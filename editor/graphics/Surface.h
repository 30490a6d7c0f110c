// The edit surface as the core sees it. The window implements it as a view of
// SpritePixels, TileMap and the palette; tests implement it to record calls.
#pragma once

#include <cstdint>

namespace kerrow {

// Tile map cell values.
enum TileState : std::uint8_t { kTileEmpty = 0, kTileWhite = 1, kTileGrey = 2 };

// Colour index that draws nothing.
inline constexpr std::uint8_t kNoColour = 255;

class Surface {
 public:
  virtual ~Surface() = default;

  // Paints one enlarged sprite pixel in the display colour of palette entry `colourIndex`.
  virtual void DrawPixel(std::int32_t x, std::int32_t y, std::uint8_t colourIndex) = 0;
  // Paints the hatched overlay that marks a context (grey) tile.
  virtual void ShadeTile(std::int32_t tx, std::int32_t ty) = 0;
  // Sprite pixels (x0, y0) to (x1, y1) changed together (a fill, a shape, a
  // preview): a surface that paints from the model repaints them in one go.
  virtual void RepaintArea(std::int32_t /*x0*/, std::int32_t /*y0*/, std::int32_t /*x1*/,
                           std::int32_t /*y1*/) {}
};

}  // namespace kerrow
