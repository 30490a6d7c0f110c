// The tile viewer's arithmetic: which source byte offset each tile on screen
// shows, for a start offset that may be any byte, and the decoding of the tiles
// straight from the source bytes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kerrow {

enum class TileOrder {
  Rows,          // tile after tile along each row
  BlockColumns,  // blocks of W x H tiles, each filled column by column (sprite hardware order)
};

struct TileViewerLayout {
  std::int64_t Start = 0;         // byte offset of the first tile
  std::int32_t TilesPerRow = 16;  // 1..64
  TileOrder Order = TileOrder::Rows;
  std::int32_t BlockWidth = 1;   // 1..4 tiles, for BlockColumns
  std::int32_t BlockHeight = 1;  // 1..4 tiles

  // Blocks side by side in one row of the view (at least one).
  std::int32_t BlocksPerRow() const;
  // Tile rows that one step of "a row" moves: 1, or a block's height.
  std::int32_t RowStep() const { return Order == TileOrder::Rows ? 1 : BlockHeight; }
  // Bytes one step of "a row" moves the start.
  std::int64_t RowBytes() const;
  // The index of the tile at view position (x, y), counted from Start; empty
  // where the arrangement leaves a gap (right of the last whole block).
  std::optional<std::int64_t> TileIndexAt(std::int32_t x, std::int32_t y) const;
  // Its source offset: Start + 32 * index.
  std::optional<std::int64_t> OffsetAt(std::int32_t x, std::int32_t y) const;
  // Columns the view shows: TilesPerRow, or the whole blocks that fit.
  std::int32_t VisibleColumns() const;
};

// Clamps the settings into their ranges (1..64 tiles per row, 1..4 tile blocks).
TileViewerLayout Normalised(TileViewerLayout layout);

// The 64 palette indexes of the tile at `offset` of `source`, row by row, left
// pixel of each byte first. Bytes past the end of the source read as absent:
// the result is empty unless all 32 bytes are there.
std::optional<std::array<std::uint8_t, 64>> TilePixelsAt(std::span<const std::uint8_t> source,
                                                         std::int64_t offset);

// Parses an offset typed by the user: decimal, "0x"/"$"/"&H" hexadecimal, or
// hexadecimal digits with a trailing "h". Empty when it is no offset.
std::optional<std::int64_t> ParseOffsetText(std::string_view text);

}  // namespace kerrow
