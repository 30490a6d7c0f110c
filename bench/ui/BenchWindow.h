// The main window as the window benchmarks use it.
#pragma once

#include <QApplication>
#include <string>

#include "BenchCatalog.h"
#include "catalog/bDatabase.h"
#include "editing/UndoHistory.h"
#include "graphics/SurfaceView.h"
#include "shell/bGlobals.h"
#include "shell/frmMain.h"

namespace kerrow::bench {

// Points the editor at the game "game.db" and the ROM `rom` in `folder`, then
// shows `window` at a common desktop size with its first paint done.
inline void ShowWithGame(frmMain& window, const BenchFolder& folder, const std::string& rom) {
  G().DataPath = folder.Directory();
  G().RomPath = folder.File(rom);
  OpenGameDatabase("game.db");
  window.resize(960, 640);
  window.show();
  QApplication::processEvents();
}

// Shows `window` at a common desktop size with a `tiles` x `tiles` sprite of
// the sprite's own tiles only, all index 0, at `zoom`, with fresh globals and
// history and a palette of sixteen greys.
inline void ShowOwnSprite(frmMain& window, std::int32_t tiles, std::int16_t zoom) {
  ResetGlobals();
  ResetUndoHistory();
  window.resize(960, 640);
  window.show();
  QApplication::processEvents();
  auto& g = G();
  g.ZoomFactor = zoom;
  g.SpriteLoaded = true;
  g.SpritePixels = PixelGrid(8 * tiles, 8 * tiles);
  g.TileMap = PixelGrid(tiles, tiles);
  for (std::int32_t ty = 0; ty < tiles; ++ty) {
    for (std::int32_t tx = 0; tx < tiles; ++tx) g.TileMap.At(tx, ty) = kTileWhite;
  }
  for (std::int16_t i = 0; i < 16; ++i) g.Palette.Entries[i].Colour = 0x111111u * i;
  window.picSprite->show();
  window.picSprite->LayoutSurface(tiles, tiles);
  QApplication::processEvents();
}

}  // namespace kerrow::bench
