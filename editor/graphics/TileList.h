// Tile lists of the catalog ("White", "Grey"): lines split at CR LF, each line
// "column,row,offset" read with the catalog's text-to-integer rule.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kerrow {

struct TileLine {
  std::int32_t Tx = 0;
  std::int32_t Ty = 0;
  std::int32_t Offset = 0;
  bool operator==(const TileLine&) const = default;
};

// The lines of a list; an empty text has none, a text ending with CR LF has an
// empty last line.
std::vector<std::string_view> SplitTileListLines(std::string_view text);

// One line: failure 9 with fewer than three fields, 13 when a field is not a number.
TileLine ParseTileLine(std::string_view line);

// Every line of a list, in order (failures as ParseTileLine, at the first bad line).
std::vector<TileLine> ParseTileList(std::string_view text);

// The first line, in list order, naming each tile position: built once, so a
// save looks every tile up in logarithmic time, with memory in proportion to
// the list, not to the sprite's size.
class TileLineIndex {
 public:
  explicit TileLineIndex(std::vector<TileLine> lines);
  // The first line naming (tx, ty), or nullptr.
  const TileLine* Find(std::int32_t tx, std::int32_t ty) const;

 private:
  std::vector<TileLine> lines_;
  // (position, line number) for every line, sorted: a position's first entry
  // is its first line.
  std::vector<std::pair<std::uint64_t, std::size_t>> order_;
};

}  // namespace kerrow
