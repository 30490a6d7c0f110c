// The editor's global state: one instance for the whole run, read and written
// directly by the commands. Tests reset it between cases.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "catalog/bDatabase.h"
#include "editing/PaletteTypes.h"
#include "graphics/PixelGrid.h"

namespace kerrow {

struct Globals {
  std::string DataPath;  // catalog directory; always ends with a separator
  std::string RomPath;   // the ROM image opened last; empty until one is opened

  std::unique_ptr<Database> CatalogDb;
  std::unique_ptr<TableView> GamesTable;
  std::unique_ptr<Database> GameDb;
  std::array<std::unique_ptr<TableView>, 4> GameTables;  // NFO, HEAD, SPRITE, COMPRESSED

  std::int32_t PaletteOffset = 0;  // 1-based file position of palette entry 1
  bool PaletteDirty = false;
  bool SpriteDirty = false;
  bool SpriteIsCompressed = false;
  bool SpriteLoaded = false;

  PixelGrid SpritePixels;  // palette index per pixel, 8W by 8H
  PixelGrid TileMap;       // TileState per tile position, W by H

  std::int16_t CurrentTool = 0;
  std::int16_t ZoomFactor = 8;
  bool GridMode = false;

  PaletteStrip Palette;

  // The ROM image the palette and the sprite were loaded from: saves write only
  // there, so changes made to one ROM never reach another.
  std::string PaletteRomPath;
  std::string SpriteRomPath;

  // The record the sprite grids were laid out for, and the sprite whose
  // selection failed after its record was found (empty once a selection
  // completes): until then the surface is read-only and Save ROM writes nothing.
  std::string SpriteName;
  std::string FailedSelection;

  // What the running command saved, for the status bar ("Knight into demo.bin").
  std::string SaveReport;
};

Globals& G();
void ResetGlobals();

// Adds "`what` into <file name of `romPath`>" to SaveReport.
void NoteSaved(const std::string& what, const std::string& romPath);

// The current game's table, failure 91 when no game database is open.
TableView& GameTableView(GameTable table);

}  // namespace kerrow
