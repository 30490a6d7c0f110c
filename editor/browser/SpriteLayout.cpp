#include "browser/SpriteLayout.h"

#include <cmath>

#include "shell/Failure.h"
#include "shell/bGlobals.h"

namespace kerrow {

std::int16_t SurfaceSide(std::int32_t tiles, std::int32_t zoom) {
  const std::int64_t side = std::int64_t{8} * tiles * zoom;
  if (side > 32767 || side < 0) throw Failure(kErrOverflow, "Overflow", "kerrow");
  return static_cast<std::int16_t>(side);
}

std::int32_t ScrollMaximum(std::int32_t sidePixels, double twipsPerPixel) {
  // Default rounding mode rounds halves to even.
  return static_cast<std::int32_t>(std::nearbyint(sidePixels / twipsPerPixel));
}

void RecreateSpriteGrids(std::int32_t widthTiles, std::int32_t heightTiles) {
  G().SpritePixels = PixelGrid(8 * widthTiles, 8 * heightTiles);
  G().TileMap = PixelGrid(widthTiles, heightTiles);
}

}  // namespace kerrow
