// Geometry of the edit surface and the stage a sprite is loaded onto.
#pragma once

#include <cstdint>

#include "graphics/Surface.h"

namespace kerrow {

// A surface side of `tiles` tiles at `zoom` screen pixels per sprite pixel.
// Formed in 16 bits: beyond 32767 (or below 0) is failure 6.
std::int16_t SurfaceSide(std::int32_t tiles, std::int32_t zoom);

// The scroll maximum for a surface side: side / twips-per-pixel rounded to the
// nearest integer, halves to the even neighbour.
std::int32_t ScrollMaximum(std::int32_t sidePixels, double twipsPerPixel);

// SpritePixels (8W x 8H) and TileMap (W x H), zero-filled, in place of the
// previous sprite's, which are released first (SpriteLoaded is cleared).
// Failure 7 when memory for them cannot be obtained; the grids are then empty.
void RecreateSpriteGrids(std::int32_t widthTiles, std::int32_t heightTiles);

// The edit surface as sprite loading needs it.
class SpriteStage : public Surface {
 public:
  // Clears and sizes the surface for a W x H tile sprite, recreates the sprite's
  // grids, disables both scroll bars and lays the surface out again. Failure 6
  // (before anything changes) when a side is too large.
  virtual void LayoutForLoad(std::int32_t widthTiles, std::int32_t heightTiles) = 0;
};

}  // namespace kerrow
