// Loading tile lists onto the edit surface. Each load reads its source file
// once; the tiles are placed and drawn one by one in list order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "graphics/Surface.h"

namespace kerrow {

// Decodes every listed tile from `sourcePath` into SpritePixels, drawing each
// pixel, and marks its TileMap cell `state`; grey tiles are then shaded. The
// file is read when the first line is reached. Failures stop at the failing
// line (tiles before it stay): 9 for fewer than three fields or a position
// outside the map, 13 for a non-number, 62 for a tile past the end of the file,
// 63 for a negative offset, 53/75 when the file cannot be read.
void LoadTileList(std::string_view tileList, const std::string& sourcePath, Surface& surface,
                  TileState state);

// The sprite's own tiles from the ROM image (RomPath); remembers that ROM as
// the sprite's (SpriteRomPath), where Save ROM writes.
void LoadWhiteTiles(std::string_view tileList, Surface& surface);
// Context tiles from the ROM image: marked grey and shaded.
void LoadGreyTiles(std::string_view tileList, Surface& surface);

}  // namespace kerrow
