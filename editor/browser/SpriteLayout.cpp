#include "browser/SpriteLayout.h"

#include <cmath>
#include <new>
#include <string>

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
  auto& g = G();
  // The previous sprite's grids go first, so the new ones never have to fit
  // beside them; until the new ones exist no sprite is loaded.
  g.SpriteLoaded = false;
  g.SpritePixels = PixelGrid();
  g.TileMap = PixelGrid();
  try {
    PixelGrid pixels(8 * widthTiles, 8 * heightTiles);
    PixelGrid tiles(widthTiles, heightTiles);
    g.SpritePixels = std::move(pixels);
    g.TileMap = std::move(tiles);
  } catch (const std::bad_alloc&) {
    const std::int64_t mebibytes = (std::int64_t{64} * widthTiles * heightTiles) >> 20;
    throw Failure(kErrOutOfMemory,
                  "Out of memory: a sprite of " + std::to_string(widthTiles) + " by " +
                      std::to_string(heightTiles) + " tiles needs " + std::to_string(mebibytes) +
                      " MiB for its pixels",
                  "kerrow");
  }
}

}  // namespace kerrow
