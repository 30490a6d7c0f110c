// Loading a sprite by its catalog name without a window, for the command-line
// companion: the same selection the tree's double-click runs, onto a stage that
// keeps the pixel grids and draws nothing.
#pragma once

#include <cstdint>
#include <string>

#include "browser/SpriteLayout.h"

namespace kerrow {

class HeadlessStage : public SpriteStage {
 public:
  void DrawPixel(std::int32_t, std::int32_t, std::uint8_t) override {}
  void ShadeTile(std::int32_t, std::int32_t) override {}
  void LayoutForLoad(std::int32_t widthTiles, std::int32_t heightTiles) override;
};

enum class SpriteKind { None, Plain, Compressed };

// Which table of the current game holds `name` (SPRITE is looked at first, as
// the tree lists plain sprites first). Leaves the table positioned on it.
SpriteKind FindSpriteByName(const std::string& name);

// Selects the named sprite as the tree would (palette, grids, tiles). Failures
// are reported through the active dialogs, as the editor reports them. Returns
// whether the sprite is now fully loaded.
bool LoadSpriteByName(const std::string& name, SpriteKind kind);

}  // namespace kerrow
