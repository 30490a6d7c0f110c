// The Genesis tile and colour formats: 8x8 tiles of 4-bit pixels (left pixel in
// the high nibble) and the big-endian colour word with even levels.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "graphics/BinaryFile.h"
#include "graphics/Surface.h"
#include "graphics/TileList.h"
#include "shell/Dialogs.h"

namespace kerrow {

inline constexpr std::int32_t kTileBytes = 32;
using TileBytes = std::array<std::uint8_t, kTileBytes>;

struct ColourWord {
  std::uint8_t First = 0;   // blue level in the low nibble
  std::uint8_t Second = 0;  // green level high, red level low
  bool operator==(const ColourWord&) const = default;
};

DisplayColour GenesisToRgb(std::uint8_t first, std::uint8_t second);
ColourWord RgbToGenesis(DisplayColour colour);

// Reads the 32 bytes of a tile at `offset` of a source, stores its 64 pixels
// into SpritePixels at tile (tx, ty) and draws each pixel, row by row, left
// pixel of each byte first. Failures, with nothing stored: 62 when the tile
// reaches past the end of the source, 9 when (tx, ty) lies outside the sprite.
// The in-memory form takes the whole source's bytes (the loaders read a file
// once per list); `sourceName` names it in messages.
void DecodeTile(std::span<const std::uint8_t> source, const std::string& sourceName,
                Surface& surface, std::int32_t offset, std::int32_t tx, std::int32_t ty);
// The same, reading the file at `sourcePath` (53/75 when it cannot be read).
void DecodeTile(const std::string& sourcePath, Surface& surface, std::int32_t offset,
                std::int32_t tx, std::int32_t ty);

// The 32 bytes of tile (tx, ty) of SpritePixels.
TileBytes TileBytesAt(std::int32_t tx, std::int32_t ty);

// Writes tile (tx, ty) into `file` at the offset of the first line of the
// "White" list that names it, if the cell is white. A white cell without a
// line shows the processing error report and writes nothing. A tile that would
// reach past the end of the file is refused with failure 62, nothing written.
// Save ROM passes the list parsed once for the whole save; the short form reads
// the current record's list itself.
void EncodeTile(std::int32_t tx, std::int32_t ty, const TileLineIndex& whiteList,
                BinaryFile& file);
void EncodeTile(std::int32_t tx, std::int32_t ty, BinaryFile& file);
// The same into whatever `write` writes to (a ROM save keeps the bytes until
// it commits them all at once).
using TileWriter = std::function<void(std::int64_t offset, std::span<const std::uint8_t> bytes)>;
void EncodeTile(std::int32_t tx, std::int32_t ty, const TileLineIndex& whiteList,
                const TileWriter& write);

// The current record's "White" list (table COMPRESSED when SpriteIsCompressed).
std::string CurrentWhiteList();

}  // namespace kerrow
